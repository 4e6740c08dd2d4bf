#include "credentialspanel.h"

#include "messagebox.h"
#include "ui_credentialspanel.h"

namespace quorvane {

namespace {

std::size_t slot(Environment environment)
{
    return static_cast<std::size_t>(environment);
}

const QString ErrorTitle = QStringLiteral("Error");

} // namespace

CredentialsPanel::CredentialsPanel(QWidget* parent)
    : QGroupBox(parent), m_ui(std::make_unique<Ui::CredentialsPanel>()), m_store(makeCredentialStore())
{
    m_ui->setupUi(this);
    connect(m_ui->optLive, &QRadioButton::clicked, this, &CredentialsPanel::optEnvironment_Click);
    connect(m_ui->optSandbox, &QRadioButton::clicked, this, &CredentialsPanel::optEnvironment_Click);
    connect(m_ui->chkRemember, &QCheckBox::clicked, this, &CredentialsPanel::chkRemember_Click);
    connect(m_store.get(), &CredentialStore::loaded, this, &CredentialsPanel::credentialsLoaded);
    connect(m_store.get(), &CredentialStore::unavailable, this, &CredentialsPanel::keyringUnavailable);
    connect(m_store.get(), &CredentialStore::writeFailed, this, &CredentialsPanel::keyringWriteFailed);
}

CredentialsPanel::~CredentialsPanel() = default;

void CredentialsPanel::load()
{
    m_store->load(Environment::Sandbox);
    m_store->load(Environment::Live);
}

Environment CredentialsPanel::environment() const
{
    return m_ui->optLive->isChecked() ? Environment::Live : Environment::Sandbox;
}

// Pasted credentials often carry a space or a line break at an end; PayPal's have none.
Credentials CredentialsPanel::typedCredentials() const
{
    return {m_ui->txtClientId->text().trimmed(), m_ui->txtSecret->text().trimmed()};
}

std::optional<Credentials> CredentialsPanel::credentialsToUse()
{
    const Environment chosen = environment();
    const Credentials credentials = typedCredentials();
    if (credentials.clientId.isEmpty() || credentials.secret.isEmpty()) {
        MsgBox(QStringLiteral("Error: Please enter the client ID and the secret of your PayPal %1 app.")
                   .arg(environmentName(chosen)),
               MessageStyle::Plain, ErrorTitle);
        (credentials.clientId.isEmpty() ? m_ui->txtClientId : m_ui->txtSecret)->setFocus();
        return std::nullopt;
    }
    if (m_keyring && m_remember[slot(chosen)]) {
        m_store->save(chosen, credentials);
    }
    return credentials;
}

void CredentialsPanel::focusClientId()
{
    m_ui->txtClientId->setFocus();
}

void CredentialsPanel::optEnvironment_Click()
{
    m_environmentChosen = true;
    showEnvironment(environment());
}

// Each environment keeps its own client ID and secret; switching shows the other's.
void CredentialsPanel::showEnvironment(Environment shown)
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

void CredentialsPanel::credentialsLoaded(Environment loaded, const Credentials& credentials)
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
    if (!m_loaded[0] || !m_loaded[1]) {
        return;
    }
    // Sandbox first, unless only Live credentials are remembered.
    const bool onlyLive = m_remember[slot(Environment::Live)] && !m_remember[slot(Environment::Sandbox)];
    if (onlyLive && !m_environmentChosen && typedCredentials().isEmpty()) {
        showEnvironment(Environment::Live);
    }
    emit keyringAnswered();
}

void CredentialsPanel::keyringUnavailable(const QString& reason)
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

void CredentialsPanel::keyringWriteFailed(bool removing, const QString& reason)
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

void CredentialsPanel::chkRemember_Click(bool ticked)
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

} // namespace quorvane
