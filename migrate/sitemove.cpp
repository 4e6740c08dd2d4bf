#include "sitemove.h"

#include "backup.h"
#include "buttoncode.h"
#include "journal.h"
#include "linkmaker.h"
#include "pagetext.h"
#include "rewriter.h"
#include "siteplan.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QThread>
#include <atomic>
#include <map>
#include <set>

namespace quorvane {

namespace {

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

const std::string* fieldOf(const FoundForm& form, std::string_view name)
{
    for (const FormField& field : form.fields) {
        if (field.name == name) {
            return &field.value;
        }
    }
    return nullptr;
}

QString kindText(ButtonKind kind)
{
    switch (kind) {
    case ButtonKind::BuyNow:
        return QStringLiteral("Buy Now");
    case ButtonKind::Hosted:
        return QStringLiteral("Hosted");
    case ButtonKind::Donate:
        return QStringLiteral("Donate");
    case ButtonKind::Cart:
        return QStringLiteral("Cart");
    case ButtonKind::Subscribe:
        return QStringLiteral("Subscribe");
    case ButtonKind::Other:
        break;
    }
    return QStringLiteral("Other");
}

// The plan's reason without the "Line N: " the row shows in a column of its own.
QString reasonText(const std::string& reason)
{
    const QString said = text(reason);
    const qsizetype colon = said.indexOf(QLatin1String(": "));
    return said.startsWith(QLatin1String("Line ")) && colon > 0 ? said.mid(colon + 2) : said;
}

MoveRow rowOf(const ScannedPage& page, const FoundForm& form, const ButtonPlan& button)
{
    MoveRow row;
    row.page = text(page.relativePath);
    row.line = form.line;
    row.kind = kindText(form.kind);
    if (const std::optional<LineItem>& item = button.mapping.item) {
        row.item = text(item->name);
        row.price = text(item->price + ' ' + item->currency);
    } else {
        const std::string* name = fieldOf(form, "item_name");
        const std::string* amount = fieldOf(form, form.kind == ButtonKind::Subscribe ? "a3" : "amount");
        const std::string* currency = fieldOf(form, "currency_code");
        row.item = name ? text(*name) : QString();
        row.price = amount ? text(*amount + ' ' + (currency ? *currency : std::string("USD"))) : QString();
    }
    QStringList carries;
    for (const std::string& carried : button.mapping.carries) {
        carries << text(carried);
    }
    row.carries = carries.join(QLatin1String(", "));
    QStringList notCarried;
    for (const NotCarried& field : button.mapping.notCarried) {
        notCarried << text(field.field + " (" + field.why + ')');
    }
    row.notCarried = notCarried.join(QLatin1String(", "));
    switch (button.action) {
    case PlanAction::Move:
        row.state = MoveState::Move;
        row.stateText = QStringLiteral("Move");
        break;
    case PlanAction::PasteByHand:
        row.state = MoveState::PasteByHand;
        row.stateText = QStringLiteral("Hand edit: ") + reasonText(button.reason);
        break;
    case PlanAction::HandEdit:
        row.state = MoveState::HandEdit;
        row.stateText = QStringLiteral("Hand edit: ") + reasonText(button.reason);
        break;
    case PlanAction::NotAffected:
        row.state = MoveState::NotAffected;
        row.stateText = QStringLiteral("Not affected: ") + reasonText(button.reason);
        break;
    case PlanAction::KeptAtPayPal:
        row.state = MoveState::KeptAtPayPal;
        row.stateText = QStringLiteral("Kept at PayPal: ") + reasonText(button.reason);
        break;
    }
    row.tickable = row.ticked = button.action == PlanAction::Move || button.action == PlanAction::PasteByHand;
    return row;
}

QString environmentKey(Environment environment)
{
    return environment == Environment::Live ? QStringLiteral("live") : QStringLiteral("sandbox");
}

QString csvField(const QString& field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r'))) {
        return field;
    }
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// PayPal's first preset picture, for a form that shows none of its own.
QString firstPresetPicture()
{
    ButtonRequest request;
    request.UsePresetImage = true;
    request.ChosenImage = 1;
    return text(pictureUrl(request));
}

} // namespace

// What a move holds between its steps; the long steps run on m_thread.
class SiteMoveWork
{
public:
    QString folder;
    SiteScan scan;
    SitePlan plan;
    SiteScan newScan; // the worker's until it is done
    SitePlan newPlan;
    std::vector<MoveRow> rows;  // one per planned button
    std::vector<QString> links; // per planned link, once made or recalled
    QString picture = firstPresetPicture();
    std::unique_ptr<Journal> journal = std::make_unique<Journal>();
    LinkMaker maker;
    std::vector<std::size_t> jobLinks; // per job of the maker, its planned link
    std::unique_ptr<QThread> thread;
    std::atomic_bool cancel = false;
    RunReport runReport;
    std::vector<PageEdit> edits;
    std::set<QString> recalledPages; // whose replaced forms have rows of their own

    const FoundForm& formOf(std::size_t button) const
    {
        const ButtonPlan& b = plan.buttons[button];
        return scan.pages[b.page].forms[b.form];
    }
    bool hasLink(std::size_t button) const
    {
        const ButtonPlan& b = plan.buttons[button];
        return (b.action == PlanAction::Move || b.action == PlanAction::PasteByHand) &&
               !links[b.link].isEmpty();
    }
    QString openJournal()
    {
        if (!journal->isOpen() && !journal->open(folder)) {
            return journal->errorString();
        }
        return {};
    }
    // Rows for the forms a stopped run already replaced: the rescan no longer finds them,
    // so they are read from the pages' backups, with their links from the journal.
    // Returns how many rows were added.
    std::size_t recallRewrittenPages(const std::string& environment, const std::string& clientId)
    {
        std::size_t added = 0;
        std::map<QString, const BackupRecord*> latest;
        for (const BackupRecord& backup : journal->backups()) {
            latest[backup.relativePath] = &backup;
        }
        for (const auto& [relativePath, backup] : latest) {
            if (recalledPages.count(relativePath) || !isRewritten(*backup)) {
                continue;
            }
            QFile original(backup->backupFolder + QLatin1Char('/') + relativePath);
            if (!original.open(QIODevice::ReadOnly)) {
                continue;
            }
            const QByteArray bytes = original.readAll();
            std::optional<ScannedPage> page =
                scanPage(relativePath.toStdString(), std::string_view(bytes.constData(), bytes.size()));
            if (!page) {
                continue;
            }
            recalledPages.insert(relativePath);
            // The forms still in the page are the rescan's rows; the others were replaced.
            std::map<std::string, int> remaining;
            for (std::size_t b = 0; b < plan.buttons.size(); ++b) {
                const ButtonPlan& button = plan.buttons[b];
                if (rows[b].page == relativePath && button.action == PlanAction::Move) {
                    ++remaining[requestIdFor(environment, clientId, plan.links[button.link])];
                }
            }
            const std::vector<ScannedPage> pages{*page};
            const SitePlan before = planSite(pages);
            for (const ButtonPlan& button : before.buttons) {
                if (button.action != PlanAction::Move) {
                    continue;
                }
                const std::string key = requestIdFor(environment, clientId, before.links[button.link]);
                const std::optional<LinkRecord> link = journal->link(text(key));
                if (!link || remaining[key]-- > 0) {
                    continue;
                }
                const FoundForm& form = page->forms[button.form];
                MoveRow row = rowOf(*page, form, button);
                row.state = MoveState::PageRewritten;
                row.stateText = QStringLiteral("Page rewritten");
                row.link = link->link;
                row.tickable = row.ticked = false;
                row.pageCode =
                    text(replacementCode(link->link.toStdString(), pictureFor(form, picture.toStdString())));
                rows.push_back(row);
                ++added;
            }
        }
        return added;
    }
    // Whether the page holds what the backed-up run wrote (also when the run was stopped
    // between writing it and recording it).
    bool isRewritten(const BackupRecord& backup) const
    {
        if (backup.written) {
            return true;
        }
        QFile page(folder + QLatin1Char('/') + backup.relativePath);
        if (!page.open(QIODevice::ReadOnly)) {
            return false;
        }
        const QByteArray bytes = page.readAll();
        return QByteArray::fromHex(fileDigest(std::string_view(bytes.constData(), bytes.size())).c_str()) ==
               backup.resultSha256;
    }
    // The edits of every page with a ticked, moved form that has its link.
    std::vector<PageEdit> plannedEdits() const
    {
        std::vector<PageEdit> planned;
        std::size_t lastPage = SIZE_MAX;
        for (std::size_t b = 0; b < plan.buttons.size(); ++b) {
            const ButtonPlan& button = plan.buttons[b];
            if (button.action != PlanAction::Move || !rows[b].ticked || !hasLink(b) ||
                rows[b].state == MoveState::PageRewritten) {
                continue;
            }
            const ScannedPage& page = scan.pages[button.page];
            if (button.page != lastPage) {
                planned.push_back({text(page.relativePath), QByteArray::fromHex(page.sha256.c_str()), {}});
                lastPage = button.page;
            }
            const FoundForm& form = page.forms[button.form];
            planned.back().replacements.push_back(
                {static_cast<qint64>(form.begin), static_cast<qint64>(form.end),
                 QByteArray::fromStdString(inPageEncoding(rows[b].pageCode.toStdString(), page.encoding))});
        }
        return planned;
    }
};

SiteMove::SiteMove(QObject* parent) : QObject(parent), m_work(std::make_unique<SiteMoveWork>())
{
    LinkMaker& maker = m_work->maker;
    connect(&maker, &LinkMaker::made, this, &SiteMove::linkMade);
    connect(&maker, &LinkMaker::failed, this, &SiteMove::linkFailed);
    connect(&maker, &LinkMaker::progress, this, &SiteMove::progress);
    connect(&maker, &LinkMaker::waiting, this, &SiteMove::waiting);
    connect(&maker, &LinkMaker::finished, this, &SiteMove::finished);
}

SiteMove::~SiteMove()
{
    disconnect(&m_work->maker, nullptr, this, nullptr); // nothing more to report from here
    cancel();
    if (m_work->thread) {
        m_work->thread->wait();
    }
}

QString SiteMove::folder() const
{
    return m_work->folder;
}

int SiteMove::rowCount() const
{
    return static_cast<int>(m_work->rows.size());
}

const MoveRow& SiteMove::row(int index) const
{
    return m_work->rows.at(static_cast<std::size_t>(index));
}

void SiteMove::setTicked(int index, bool ticked)
{
    MoveRow& row = m_work->rows.at(static_cast<std::size_t>(index));
    if (row.tickable && row.ticked != ticked) {
        row.ticked = ticked;
        emit rowsChanged(index, index);
    }
}

bool SiteMove::isBusy() const
{
    return m_work->thread || m_work->maker.isBusy();
}

void SiteMove::cancel()
{
    m_work->cancel = true;
    m_work->maker.cancel();
}

void SiteMove::runInThread(const std::function<void()>& work, void (SiteMove::*done)())
{
    m_work->cancel = false;
    m_work->thread.reset(QThread::create(work));
    connect(m_work->thread.get(), &QThread::finished, this, [this, done] {
        m_work->thread->wait();
        m_work->thread.reset();
        (this->*done)();
    });
    m_work->thread->start();
}

// Progress from the worker thread, at most every 40 ms and at the end.
std::function<void(int, int, const QString&)> SiteMove::throttledProgress()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [this, timer](int done, int total, const QString& what) {
        if (done == total || timer->elapsed() >= 40) {
            timer->restart();
            QMetaObject::invokeMethod(
                this, [this, done, total, what] { emit progress(done, total, what); }, Qt::QueuedConnection);
        }
    };
}

void SiteMove::scan(const QString& folder, const QStringList& extraFiles)
{
    if (isBusy()) {
        return;
    }
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir()) {
        emit finished(
            {QStringLiteral("The folder “%1” does not exist.").arg(QDir::toNativeSeparators(folder))});
        return;
    }
    if (m_work->rows.size() > 0) {
        const int last = rowCount() - 1;
        m_work->rows.clear();
        emit rowsChanged(0, last);
    }
    if (m_work->folder != canonical) {
        m_work->journal = std::make_unique<Journal>();
    }
    m_work->folder = canonical;
    std::vector<std::string> extras;
    for (const QString& extra : extraFiles) {
        extras.push_back(extra.toStdString());
    }
    const auto report = throttledProgress();
    runInThread(
        [this, extras, report] {
            m_work->newScan = scanSite(
                QFile::encodeName(m_work->folder).toStdString(), extras,
                [&](std::size_t done, std::size_t total) {
                    report(static_cast<int>(done), static_cast<int>(total),
                           QStringLiteral("Reading the pages"));
                },
                &m_work->cancel);
            m_work->newPlan = planSite(m_work->newScan.pages);
        },
        &SiteMove::scanned);
}

void SiteMove::scanned()
{
    SiteMoveWork& work = *m_work;
    work.scan = std::move(work.newScan);
    work.plan = std::move(work.newPlan);
    work.rows.clear();
    work.recalledPages.clear();
    for (const ButtonPlan& button : work.plan.buttons) {
        const ScannedPage& page = work.scan.pages[button.page];
        work.rows.push_back(rowOf(page, page.forms[button.form], button));
    }
    work.links.assign(work.plan.links.size(), QString());
    QStringList problems;
    for (const SkippedFile& skipped : work.scan.skipped) {
        problems
            << QStringLiteral("“%1” was not read: %2").arg(text(skipped.relativePath), text(skipped.reason));
    }
    for (const std::string& page : work.scan.mentionsOnly) {
        problems << QStringLiteral("“%1” mentions PayPal's button address but holds no button a link can "
                                   "replace (one in a script, a template or a comment): check it by hand.")
                        .arg(text(page));
    }
    if (work.scan.cancelled) {
        problems << QStringLiteral("The scan was cancelled; the pages read so far are listed.");
    }
    if (!work.rows.empty()) {
        emit rowsChanged(0, rowCount() - 1);
    }
    emit finished(problems);
}

bool SiteMove::recallLinks(Environment environment, const QString& clientId, QString& problem)
{
    problem = m_work->openJournal();
    if (!problem.isEmpty()) {
        return false;
    }
    for (std::size_t l = 0; l < m_work->plan.links.size(); ++l) {
        const std::string key = requestIdFor(environmentKey(environment).toStdString(),
                                             clientId.toStdString(), m_work->plan.links[l]);
        if (const std::optional<LinkRecord> known = m_work->journal->link(text(key))) {
            setLink(l, known->link);
        }
    }
    const int before = rowCount();
    if (m_work->recallRewrittenPages(environmentKey(environment).toStdString(), clientId.toStdString()) > 0) {
        emit rowsChanged(before, rowCount() - 1);
    }
    return true;
}

void SiteMove::setLink(std::size_t link, const QString& address)
{
    SiteMoveWork& work = *m_work;
    work.links[link] = address;
    for (const std::size_t b : work.plan.links[link].buttons) {
        MoveRow& row = work.rows[b];
        row.link = address;
        row.pageCode = text(
            replacementCode(address.toStdString(), pictureFor(work.formOf(b), work.picture.toStdString())));
        if (row.state == MoveState::Move || row.state == MoveState::Failed) {
            row.state = MoveState::LinkMade;
            row.stateText = QStringLiteral("Link made");
        } else if (row.state == MoveState::PasteByHand) {
            row.stateText = QStringLiteral("Link made; hand edit: paste the page code in place of the form, "
                                           "which holds template code");
        }
        emit rowsChanged(static_cast<int>(b), static_cast<int>(b));
    }
}

void SiteMove::makeLinks(Environment environment, const QString& clientId, const QString& secret,
                         const QString& defaultPicture)
{
    if (isBusy()) {
        return;
    }
    SiteMoveWork& work = *m_work;
    if (!defaultPicture.isEmpty()) {
        work.picture = defaultPicture;
    }
    QString problem;
    if (!recallLinks(environment, clientId, problem)) {
        emit finished({QStringLiteral("No link was made: %1").arg(problem)});
        return;
    }
    std::vector<LinkJob> jobs;
    work.jobLinks.clear();
    for (std::size_t l = 0; l < work.plan.links.size(); ++l) {
        const PlannedLink& planned = work.plan.links[l];
        const bool wanted = std::any_of(planned.buttons.cbegin(), planned.buttons.cend(),
                                        [&](std::size_t b) { return work.rows[b].ticked; });
        if (!wanted || !work.links[l].isEmpty()) {
            continue;
        }
        const LineItem& item = *work.plan.buttons[planned.buttons.front()].mapping.item;
        jobs.push_back(
            {text(requestIdFor(environmentKey(environment).toStdString(), clientId.toStdString(), planned)),
             planned.body, text(item.name), text(item.productId), text(item.price), text(item.currency)});
        work.jobLinks.push_back(l);
    }
    work.maker.start(
        environment, clientId, secret, std::move(jobs), [this](const LinkJob& job, const LinkRecord& link) {
            return m_work->journal->recordLink(job.requestId, link)
                       ? QString()
                       : QStringLiteral(
                             "The link made for “%1” could not be recorded, so no more links were made: %2")
                             .arg(job.name, m_work->journal->errorString());
        });
}

void SiteMove::linkMade(int job, const QString& link)
{
    setLink(m_work->jobLinks[static_cast<std::size_t>(job)], link);
}

void SiteMove::linkFailed(int job, const QString& reason)
{
    for (const std::size_t b : m_work->plan.links[m_work->jobLinks[static_cast<std::size_t>(job)]].buttons) {
        MoveRow& row = m_work->rows[b];
        if (row.state == MoveState::Move || row.state == MoveState::Failed) {
            row.state = MoveState::Failed;
            row.stateText = QStringLiteral("Failed: ") + reason;
        }
        emit rowsChanged(static_cast<int>(b), static_cast<int>(b));
    }
}

RewritePreview SiteMove::preview() const
{
    RewritePreview preview;
    const std::vector<PageEdit> edits = isBusy() ? std::vector<PageEdit>() : m_work->plannedEdits();
    preview.files = static_cast<int>(edits.size());
    if (edits.empty()) {
        return preview;
    }
    const PageEdit& first = edits.front();
    preview.page = first.relativePath;
    preview.backupFolder = m_work->journal->isOpen() ? nextBackupFolder(*m_work->journal)
                                                     : newBackupFolder(m_work->folder, QDate::currentDate());
    for (std::size_t b = 0; b < m_work->plan.buttons.size(); ++b) {
        const MoveRow& row = m_work->rows[b];
        const FoundForm& form = m_work->formOf(b);
        if (row.page != first.relativePath ||
            static_cast<qint64>(form.begin) != first.replacements.front().begin) {
            continue;
        }
        preview.line = row.line;
        preview.newLine = row.pageCode;
        QFile page(m_work->folder + QLatin1Char('/') + row.page);
        const QByteArray bytes =
            page.open(QIODevice::ReadOnly) ? page.read(static_cast<qint64>(form.end)) : QByteArray();
        const std::string encoding = m_work->scan.pages[m_work->plan.buttons[b].page].encoding;
        const std::string old = decodedAs(std::string_view(bytes.constData(), bytes.size())
                                              .substr(std::min<std::size_t>(form.begin, bytes.size())),
                                          encoding);
        preview.oldLines = text(old).split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")));
        break;
    }
    return preview;
}

void SiteMove::rewritePages()
{
    if (isBusy()) {
        return;
    }
    if (const QString problem = m_work->openJournal(); !problem.isEmpty()) {
        emit finished({QStringLiteral("No page was changed: %1").arg(problem)});
        return;
    }
    m_work->edits = m_work->plannedEdits();
    const auto report = throttledProgress();
    runInThread(
        [this, report] {
            m_work->runReport =
                quorvane::rewritePages(*m_work->journal, m_work->edits, report, m_work->cancel);
        },
        &SiteMove::pagesDone);
}

void SiteMove::restorePages()
{
    if (isBusy()) {
        return;
    }
    if (const QString problem = m_work->openJournal(); !problem.isEmpty()) {
        emit finished({QStringLiteral("No page was put back: %1").arg(problem)});
        return;
    }
    m_work->edits.clear();
    const auto report = throttledProgress();
    runInThread(
        [this, report] {
            m_work->runReport = quorvane::restorePages(*m_work->journal, report, m_work->cancel);
        },
        &SiteMove::pagesDone);
}

void SiteMove::pagesDone()
{
    SiteMoveWork& work = *m_work;
    const bool rewriting = !work.edits.empty();
    QStringList problems;
    std::map<QString, const PageResult*> results;
    for (const PageResult& page : work.runReport.pages) {
        results[page.relativePath] = &page;
        if (!page.message.isEmpty()) {
            problems << page.message;
        }
    }
    if (!work.runReport.stopMessage.isEmpty()) {
        problems << work.runReport.stopMessage;
    }
    for (std::size_t b = 0; b < work.rows.size(); ++b) {
        MoveRow& row = work.rows[b];
        const auto found = results.find(row.page);
        if (found == results.end()) {
            continue;
        }
        const PageOutcome outcome = found->second->outcome;
        const bool wasRewritten = row.state == MoveState::PageRewritten;
        if (rewriting && row.state == MoveState::LinkMade && row.ticked && b < work.plan.buttons.size() &&
            work.plan.buttons[b].action == PlanAction::Move) {
            if (outcome == PageOutcome::Written || outcome == PageOutcome::AlreadyWritten) {
                row.state = MoveState::PageRewritten;
                row.stateText = QStringLiteral("Page rewritten");
            } else if (outcome == PageOutcome::Skipped) {
                row.state = MoveState::Failed;
                row.stateText = QStringLiteral("Failed: ") + found->second->message;
            }
        } else if (!rewriting && wasRewritten &&
                   (outcome == PageOutcome::Restored || outcome == PageOutcome::AlreadyRestored)) {
            row.state = MoveState::LinkMade;
            row.stateText = QStringLiteral("Link made");
        } else {
            continue;
        }
        emit rowsChanged(static_cast<int>(b), static_cast<int>(b));
    }
    work.edits.clear();
    emit finished(problems);
}

bool SiteMove::saveReport(const QString& csvPath, QString& error) const
{
    QString csv = QStringLiteral("page,line,item,price,state,link\r\n");
    for (const MoveRow& row : m_work->rows) {
        csv += QStringList{csvField(row.page),  QString::number(row.line), csvField(row.item),
                           csvField(row.price), csvField(row.stateText),   csvField(row.link)}
                   .join(QLatin1Char(',')) +
               QLatin1String("\r\n");
    }
    QSaveFile file(csvPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(csv.toUtf8()) < 0 || !file.commit()) {
        error = QStringLiteral("The report could not be saved as “%1” (%2).")
                    .arg(QDir::toNativeSeparators(csvPath), file.errorString());
        return false;
    }
    return true;
}

} // namespace quorvane
