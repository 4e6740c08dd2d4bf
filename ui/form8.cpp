#include "form8.h"

#include "form1.h"
#include "forms.h"
#include "linkrequest.h"
#include "messagebox.h"
#include "movemodel.h"
#include "pictures.h"
#include "savefile.h"
#include "sitemove.h"
#include "tablelook.h"
#include "ui_form8.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>

namespace quorvane {

namespace {

const QString ErrorTitle = QStringLiteral("Error");

// At most this many problems in one box; the report holds every row.
constexpr qsizetype ProblemsShown = 12;

QString count(qsizetype n, const char* one, const char* many)
{
    return n == 1 ? QString::fromLatin1(one) : QStringLiteral("%1 %2").arg(n).arg(QString::fromLatin1(many));
}

} // namespace

Form8::Form8(QWidget* parent)
    : Form(parent), m_ui(std::make_unique<Ui::Form8>()), m_move(new SiteMove(this)),
      m_rows(new MoveModel(m_move, this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));

    QTableView* table = m_ui->tblButtons;
    table->setModel(m_rows);
    setTableLook(*table, {{MoveModel::PageLine, 150},
                          {MoveModel::Item, 120},
                          {MoveModel::Price, 80},
                          {MoveModel::Kind, 70},
                          {MoveModel::Carries, 120},
                          {MoveModel::NotCarried, 100},
                          {MoveModel::State, 130}});

    connect(m_ui->cmdChooseFolder, &QPushButton::clicked, this, &Form8::cmdChooseFolder_Click);
    connect(m_ui->cmdMakeLinks, &QPushButton::clicked, this, &Form8::cmdMakeLinks_Click);
    connect(m_ui->cmdRewrite, &QPushButton::clicked, this, &Form8::cmdRewrite_Click);
    connect(m_ui->cmdRestore, &QPushButton::clicked, this, &Form8::cmdRestore_Click);
    connect(m_ui->cmdSaveReport, &QPushButton::clicked, this, &Form8::cmdSaveReport_Click);
    connect(m_ui->cmdCopyCode, &QPushButton::clicked, this, &Form8::cmdCopyCode_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &Form8::cmdCancel_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form8::cmdClose_Click);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form8::showCommands);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &Form8::showCommands);
    connect(m_rows, &QAbstractItemModel::dataChanged, this, &Form8::showCommands);
    connect(m_move, &SiteMove::progress, this, &Form8::workProgress);
    connect(m_move, &SiteMove::waiting, this, &Form8::setStatus);
    connect(m_move, &SiteMove::finished, this, &Form8::workFinished);

    Form_Load();
}

Form8::~Form8() = default;

void Form8::Form_Load()
{
    Skin1.apply(winId());
    // No work, no figure.
    m_ui->prgWork->reset();
    m_ui->cmdChooseFolder->setFocus();
    // The keyring answers later; the window is usable meanwhile.
    m_ui->Frame1->load();
}

void Form8::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

// Work still running stops with the window: what is done is in the journal.
void Form8::closeEvent(QCloseEvent* event)
{
    m_move->cancel();
    Form::closeEvent(event);
}

void Form8::cmdChooseFolder_Click()
{
    const QString folder = askFolderName(this, QStringLiteral("Choose the Site's Folder"), m_move->folder());
    if (folder.isEmpty()) {
        return;
    }
    m_ui->lblFolder->setText(QDir::toNativeSeparators(folder));
    start(Work::Scan,
          QStringLiteral("Looking for PayPal buttons in %1…").arg(QDir::toNativeSeparators(folder)));
    m_move->scan(folder);
}

void Form8::cmdMakeLinks_Click()
{
    const std::optional<Credentials> credentials = m_ui->Frame1->credentialsToUse();
    if (!credentials) {
        return;
    }
    const Environment chosen = m_ui->Frame1->environment();
    const QString picture = QString::fromStdString(pictureUrl(forms().form1.get()->buttonRequest()));
    m_linksEnvironment = chosen;
    start(Work::Links, QStringLiteral("Asking PayPal (%1) for the links…").arg(environmentName(chosen)));
    m_move->makeLinks(chosen, credentials->clientId, credentials->secret, picture);
}

// The seller sees one page's change and where the copies go before anything is written.
void Form8::cmdRewrite_Click()
{
    const RewritePreview preview = m_move->preview();
    if (preview.files == 0) {
        setStatus(QStringLiteral("No page has a link to put in yet: Make Links first."));
        return;
    }
    const QString question =
        QStringLiteral("%1 will change. In %2, line %3, this:\n\n%4\n\nbecomes:\n\n%5\n\nEach page is "
                       "first copied to %6.")
            .arg(count(preview.files, "One page", "pages"), preview.page)
            .arg(preview.line)
            .arg(preview.oldLines.join(u'\n'), preview.newLine,
                 QDir::toNativeSeparators(preview.backupFolder));
    // Sandbox links in a live site would take no real payment.
    const QString sandbox =
        m_linksEnvironment == Environment::Sandbox
            ? QStringLiteral("\n\nThese are Sandbox links: only test accounts can pay with "
                             "them. Restore the pages before the site goes live.")
            : QString();
    if (!AskYesNo(question + sandbox + QStringLiteral("\n\nRewrite the pages?"),
                  QStringLiteral("Rewrite Pages"))) {
        return;
    }
    start(Work::Rewrite, QStringLiteral("Rewriting the pages…"));
    m_move->rewritePages();
}

void Form8::cmdRestore_Click()
{
    if (!AskYesNo(QStringLiteral("Put every page rewritten in %1 back as it was before? Pages changed by "
                                 "hand since are left as they are.")
                      .arg(m_ui->lblFolder->text()),
                  QStringLiteral("Restore Pages"))) {
        return;
    }
    start(Work::Restore, QStringLiteral("Putting the pages back…"));
    m_move->restorePages();
}

void Form8::cmdSaveReport_Click()
{
    const QString suggested = QDir(QDir::homePath()).filePath(QStringLiteral("payment-links-report.csv"));
    const QString path = askSaveFileName(this, QStringLiteral("Save the Report as CSV"), suggested,
                                         QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!m_move->saveReport(path, error)) {
        MsgBox(QStringLiteral("The report could not be saved to %1: %2")
                   .arg(QDir::toNativeSeparators(path), error),
               MessageStyle::Plain, ErrorTitle);
        return;
    }
    setStatus(QStringLiteral("The report is saved in %1.").arg(QDir::toNativeSeparators(path)));
}

void Form8::cmdCopyCode_Click()
{
    if (const MoveRow* row = chosenRow(); row && !row->pageCode.isEmpty()) {
        QGuiApplication::clipboard()->setText(row->pageCode);
        setStatus(QStringLiteral("The page code for %1, line %2, is on the clipboard.")
                      .arg(row->page)
                      .arg(row->line));
    }
}

void Form8::cmdCancel_Click()
{
    // The work may end within cancel(), its status with it.
    m_cancelled = true;
    setStatus(QStringLiteral("Stopping…"));
    m_move->cancel();
}

void Form8::cmdClose_Click()
{
    close();
}

void Form8::start(Work work, const QString& status)
{
    m_work = work;
    m_cancelled = false;
    m_ui->prgWork->setRange(0, 0);
    m_ui->prgWork->setEnabled(true);
    setStatus(status);
    showCommands();
    m_ui->cmdCancel->setFocus();
}

void Form8::workProgress(int done, int total, const QString& what)
{
    m_ui->prgWork->setRange(0, total);
    m_ui->prgWork->setValue(done);
    if (!what.isEmpty()) {
        setStatus(what);
    }
}

void Form8::workFinished(const QStringList& problems)
{
    const Work done = m_work;
    m_work = Work::Nothing;
    m_ui->prgWork->setRange(0, 1);
    m_ui->prgWork->reset();
    m_ui->prgWork->setEnabled(false);
    const bool cancelFocused = m_ui->cmdCancel->hasFocus();
    showCommands();
    if (cancelFocused) {
        m_ui->tblButtons->setFocus();
    }
    const QString what = done == Work::Scan      ? QStringLiteral("The scan")
                         : done == Work::Links   ? QStringLiteral("Making the links")
                         : done == Work::Rewrite ? QStringLiteral("The rewrite")
                                                 : QStringLiteral("The restore");
    setStatus(m_cancelled ? QStringLiteral("%1 was stopped. %2").arg(what, summary())
              : problems.isEmpty()
                  ? QStringLiteral("%1 is done. %2").arg(what, summary())
                  : QStringLiteral("%1 is over with %2. %3")
                        .arg(what, count(problems.size(), "a problem", "problems"), summary()));
    if (!problems.isEmpty()) {
        QStringList shown = problems.first(std::min(problems.size(), ProblemsShown));
        if (problems.size() > ProblemsShown) {
            shown << QStringLiteral("…and %1 more; Save Report… lists every row.")
                         .arg(problems.size() - ProblemsShown);
        }
        MsgBox(shown.join(u'\n'), MessageStyle::Plain,
               done == Work::Scan ? QStringLiteral("Files to Check") : ErrorTitle);
    }
}

QString Form8::summary() const
{
    int moves = 0;
    int links = 0;
    int rewritten = 0;
    for (int r = 0; r < m_move->rowCount(); ++r) {
        const MoveRow& row = m_move->row(r);
        moves += row.tickable && row.ticked;
        links += !row.link.isEmpty();
        rewritten += row.state == MoveState::PageRewritten;
    }
    return QStringLiteral("%1 found, %2 ticked, %3 made, %4 rewritten.")
        .arg(count(m_move->rowCount(), "One button", "buttons"), QString::number(moves),
             count(links, "one link", "links"), QString::number(rewritten));
}

const MoveRow* Form8::chosenRow() const
{
    const QModelIndexList rows = m_ui->tblButtons->selectionModel()->selectedRows();
    return rows.isEmpty() || rows.first().row() >= m_move->rowCount() ? nullptr
                                                                      : &m_move->row(rows.first().row());
}

void Form8::showCommands()
{
    const bool idle = m_work == Work::Nothing;
    bool linksToMake = false;
    bool linksMade = false;
    for (int r = 0; r < m_move->rowCount(); ++r) {
        const MoveRow& row = m_move->row(r);
        linksToMake = linksToMake || (row.tickable && row.ticked && row.link.isEmpty());
        linksMade = linksMade || row.state == MoveState::LinkMade;
    }
    const MoveRow* chosen = chosenRow();
    m_ui->cmdChooseFolder->setEnabled(idle);
    m_ui->Frame1->setEnabled(idle);
    m_ui->cmdMakeLinks->setEnabled(idle && linksToMake);
    m_ui->cmdRewrite->setEnabled(idle && linksMade);
    m_ui->cmdRestore->setEnabled(idle && !m_move->folder().isEmpty());
    m_ui->cmdSaveReport->setEnabled(idle && m_move->rowCount() > 0);
    m_ui->cmdCopyCode->setEnabled(chosen && !chosen->pageCode.isEmpty());
    m_ui->cmdCancel->setEnabled(!idle);
}

void Form8::setStatus(const QString& status)
{
    m_ui->lblStatus->setText(status);
}

} // namespace quorvane
