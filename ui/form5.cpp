#include "form5.h"

#include "browseurl.h"
#include "form1.h"
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

std::size_t slot(Environment environment)
{
    return static_cast<std::size_t>(environment);
}

QString text(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

const QString ErrorTitle = QStringLiteral("Error");

} // namespace

Form5::Form5(QWidget* parent)
    : Form(parent), m_ui(std::make_unique<Ui::Form5>()), m_store(makeCredentialStore())
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
    m_ui->txtClientId->setFocus();

    connect(m_ui->optLive, &QRadioButton::clicked, this, &Form5::optEnvironment_Click);
    connect(m_ui->optSandbox, &QRadioButton::clicked, this, &Form5::optEnvironment_Click);
    connect(m_ui->chkRemember, &QCheckBox::clicked, this, &Form5::chkRemember_Click);
    connect(m_ui->cmdCreate, &QPushButton::clicked, this, &Form5::cmdCreate_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &Form5::cmdCancel_Click);
    connect(m_ui->cmdCopyLink, &QPushButton::clicked, this, &Form5::cmdCopyLink_Click);
    connect(m_ui->cmdCopyCode, &QPushButton::clicked, this, &Form5::cmdCopyCode_Click);
    connect(m_ui->cmdOpenLink, &QPushButton::clicked, this, &Form5::cmdOpenLink_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form5::cmdClose_Click);
    connect(m_store.get(), &CredentialStore::loaded, this, &Form5::credentialsLoaded);
    connect(m_store.get(), &CredentialStore::unavailable, this, &Form5::keyringUnavailable);
    connect(m_store.get(), &CredentialStore::writeFailed, this, &Form5::keyringWriteFailed);
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
    m_store->load(Environment::Sandbox);
    m_store->load(Environment::Live);
}

void Form5::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

Environment Form5::environment() const
{
    return m_ui->optLive->isChecked() ? Environment::Live : Environment::Sandbox;
}

// Pasted credentials often carry a space or a line break at an end; PayPal's have none.
Credentials Form5::typedCredentials() const
{
    return {m_ui->txtClientId->text().trimmed(), m_ui->txtSecret->text().trimmed()};
}

void Form5::optEnvironment_Click()
{
    m_environmentChosen = true;
    showEnvironment(environment());
}

// Each environment keeps its own client ID and secret; switching shows the other's.
void Form5::showEnvironment(Environment shown)
{
    if (shown == m_shown) {
        return;
    }
    m_credentials[slot(m_shown)] = {m_ui->txtClientId->text(), m_ui->txtSecret->text()};
    m_shown = shown;
    m_ui->optLive->setChecked(shown == Environment::Live);
    m_ui->optSandbox->setChecked(shown == Environment::Sandbox);
    m_ui->txtClientId->setText(m_credentials[slot(shown)].clientId);
    m_ui->txtSecret->setText(m_credentials[slot(shown)].secret);
    m_ui->chkRemember->setChecked(m_remember[slot(shown)]);
}

void Form5::credentialsLoaded(Environment loaded, const Credentials& credentials)
{
    m_loaded[slot(loaded)] = true;
    if (!credentials.isEmpty()) {
        m_remember[slot(loaded)] = true;
        const bool shown = loaded == m_shown;
        const Credentials typed = shown ? typedCredentials() : m_credentials[slot(loaded)];
        // What the seller typed meanwhile stays.
        if (typed.isEmpty()) {
            if (shown) {
                m_ui->txtClientId->setText(credentials.clientId);
                m_ui->txtSecret->setText(credentials.secret);
            } else {
                m_credentials[slot(loaded)] = credentials;
            }
        }
        if (shown) {
            m_ui->chkRemember->setChecked(true);
        }
    }
    // Sandbox first, unless only Live credentials are remembered.
    const bool onlyLive = m_remember[slot(Environment::Live)] && !m_remember[slot(Environment::Sandbox)];
    if (m_loaded[0] && m_loaded[1] && onlyLive && !m_environmentChosen && typedCredentials().isEmpty()) {
        showEnvironment(Environment::Live);
    }
}

void Form5::keyringUnavailable(const QString& reason)
{
    m_keyring = false;
    m_remember = {};
    m_ui->chkRemember->setChecked(false);
    m_ui->chkRemember->setEnabled(false);
    m_ui->chkRemember->setToolTip(
        QStringLiteral("No desktop keyring service is available, so the client ID and secret cannot be "
                       "remembered (%1).")
            .arg(reason));
}

void Form5::keyringWriteFailed(bool removing, const QString& reason)
{
    keyringUnavailable(reason);
    MsgBox(removing
               ? QStringLiteral("Error: The desktop keyring did not delete the remembered client ID and "
                                "secret (%1).")
                     .arg(reason)
               : QStringLiteral("Error: The desktop keyring did not store the client ID and secret, so they "
                                "are not remembered (%1).")
                     .arg(reason),
           MessageStyle::Plain, ErrorTitle);
}

void Form5::chkRemember_Click(bool ticked)
{
    const Environment shown = environment();
    m_remember[slot(shown)] = ticked;
    const Credentials credentials = typedCredentials();
    if (!ticked) {
        m_store->remove(shown);
    } else if (!credentials.clientId.isEmpty() && !credentials.secret.isEmpty()) {
        m_store->save(shown, credentials);
    }
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
    const Environment chosen = environment();
    const Credentials credentials = typedCredentials();
    if (credentials.clientId.isEmpty() || credentials.secret.isEmpty()) {
        MsgBox(QStringLiteral("Error: Please enter the client ID and the secret of your PayPal %1 app.")
                   .arg(environmentName(chosen)),
               MessageStyle::Plain, ErrorTitle);
        (credentials.clientId.isEmpty() ? m_ui->txtClientId : m_ui->txtSecret)->setFocus();
        return;
    }
    if (m_keyring && m_remember[slot(chosen)]) {
        m_store->save(chosen, credentials);
    }
    m_picture = QString::fromStdString(pictureUrl(entries));
    m_asked = chosen;
    setWorking(true);
    setStatus(QStringLiteral("Asking PayPal (%1) for the link…").arg(environmentName(chosen)));
    m_paypal.createLink(chosen, credentials.clientId, credentials.secret, std::get<QByteArray>(body));
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
    m_code = pageCode(link, m_picture);
    m_ui->txtLink->setText(m_link);
    m_ui->txtLink->setCursorPosition(0);
    m_ui->txtPageCode->setPlainText(m_code);
    for (QPushButton* button : {m_ui->cmdCopyLink, m_ui->cmdCopyCode, m_ui->cmdOpenLink}) {
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
    for (QPushButton* button : {m_ui->cmdCopyLink, m_ui->cmdCopyCode, m_ui->cmdOpenLink}) {
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

void Form5::cmdClose_Click()
{
    close();
}

} // namespace quorvane
