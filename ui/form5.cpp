#include "form5.h"

#include "browseurl.h"
#include "form1.h"
#include "form7.h"
#include "forms.h"
#include "linkrequest.h"
#include "messagebox.h"
#include "pictures.h"
#include "ui_form5.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace quorvane {

namespace {

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

const QString ErrorTitle = QStringLiteral("Error");

} // namespace

Form5::Form5(QWidget* parent) : Form(parent), m_ui(std::make_unique<Ui::Form5>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));
    m_ui->lblUnused->setText(
        QString::fromUtf8(UnusedEntriesText.data(), qsizetype(UnusedEntriesText.size())));
    // A link is one long word: break it anywhere rather than scroll sideways.
    m_ui->txtPageCode->setWordWrapMode(QTextOption::WrapAnywhere);
    m_ui->Frame1->focusClientId();

    connect(m_ui->cmdCreate, &QPushButton::clicked, this, &Form5::cmdCreate_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &Form5::cmdCancel_Click);
    connect(m_ui->cmdCopyLink, &QPushButton::clicked, this, &Form5::cmdCopyLink_Click);
    connect(m_ui->cmdCopyCode, &QPushButton::clicked, this, &Form5::cmdCopyCode_Click);
    connect(m_ui->cmdOpenLink, &QPushButton::clicked, this, &Form5::cmdOpenLink_Click);
    connect(m_ui->cmdQrCode, &QPushButton::clicked, this, &Form5::cmdQrCode_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form5::cmdClose_Click);
    connect(&m_paypal, &PayPalClient::linkCreated, this, &Form5::linkCreated);
    connect(&m_paypal, &PayPalClient::failed, this, &Form5::linkFailed);
    connect(&m_paypal, &PayPalClient::waiting, this, &Form5::setStatus);

    Form_Load();
}

Form5::~Form5() = default;

void Form5::Form_Load()
{
    Skin1.apply(winId());
    // The keyring answers later; the window is usable meanwhile.
    m_ui->Frame1->load();
}

void Form5::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

void Form5::cmdCreate_Click()
{
    // The main window's entries; a main window closed meanwhile comes back empty, to be filled in.
    Form1* mainWindow = forms().form1.get();
    const ButtonRequest entries = mainWindow->buttonRequest();
    auto body = linkRequestBody(entries);
    if (const auto* fix = std::get_if<EntryFix>(&body)) {
        MsgBox(text(fix->text), MessageStyle::Plain, text(fix->title));
        mainWindow->focusEntry(fix->entry);
        return;
    }
    const std::optional<Credentials> credentials = m_ui->Frame1->credentialsToUse();
    if (!credentials) {
        return;
    }
    const Environment chosen = m_ui->Frame1->environment();
    m_picture = QString::fromStdString(pictureUrl(entries));
    m_askedItem = text(entries.ItemName);
    m_asked = chosen;
    setWorking(true);
    setStatus(QStringLiteral("Asking PayPal (%1) for the link…").arg(environmentName(chosen)));
    m_paypal.createLink(chosen, credentials->clientId, credentials->secret, std::get<QByteArray>(body));
}

void Form5::cmdCancel_Click()
{
    m_paypal.cancel();
    setWorking(false);
    setStatus(QStringLiteral("Cancelled."));
}

void Form5::linkCreated(const QString& link)
{
    m_link = link;
    m_item = m_askedItem;
    m_code = pageCode(link, m_picture);
    m_ui->txtLink->setText(m_link);
    m_ui->txtLink->setCursorPosition(0);
    m_ui->txtPageCode->setPlainText(m_code);
    for (QPushButton* button : {m_ui->cmdCopyLink, m_ui->cmdCopyCode, m_ui->cmdOpenLink, m_ui->cmdQrCode}) {
        button->setEnabled(true);
    }
    setWorking(false);
    // A Sandbox link takes only the developer dashboard's test accounts: not for a real page.
    setStatus(m_asked == Environment::Sandbox
                  ? QStringLiteral("PayPal made a Sandbox link: only test accounts can pay with it.")
                  : QStringLiteral("PayPal made the link."));
}

// The last link goes, so that it is not taken for one of these entries; everything typed stays.
void Form5::linkFailed(const QString& text)
{
    m_link.clear();
    m_code.clear();
    m_ui->txtLink->clear();
    m_ui->txtPageCode->clear();
    for (QPushButton* button : {m_ui->cmdCopyLink, m_ui->cmdCopyCode, m_ui->cmdOpenLink, m_ui->cmdQrCode}) {
        button->setEnabled(false);
    }
    setWorking(false);
    setStatus(QStringLiteral("No link was made."));
    MsgBox(text, MessageStyle::Plain, ErrorTitle);
}

void Form5::setWorking(bool working)
{
    m_ui->Frame1->setEnabled(!working);
    m_ui->cmdCreate->setEnabled(!working);
    m_ui->cmdCancel->setEnabled(working);
    (working ? m_ui->cmdCancel : m_ui->cmdCreate)->setFocus();
}

void Form5::setStatus(const QString& status)
{
    m_ui->lblStatus->setText(status);
}

void Form5::cmdCopyLink_Click()
{
    QGuiApplication::clipboard()->setText(m_link);
    setStatus(QStringLiteral("The link is on the clipboard."));
}

void Form5::cmdCopyCode_Click()
{
    QGuiApplication::clipboard()->setText(m_code);
    setStatus(QStringLiteral("The page code is on the clipboard."));
}

void Form5::cmdOpenLink_Click()
{
    BrowseURL(m_link);
}

void Form5::cmdQrCode_Click()
{
    showQrCode(m_item, m_link);
}

void Form5::cmdClose_Click()
{
    close();
}

} // namespace quorvane
