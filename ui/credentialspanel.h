#pragma once

#include "credentialstore.h"

#include <QGroupBox>
#include <array>
#include <memory>
#include <optional>

namespace Ui {
class CredentialsPanel;
}

namespace quorvane {

// The seller's PayPal app, as every window that talks to PayPal asks for it: Live or
// Sandbox, the client ID and secret of each, and whether the desktop keyring keeps them.
class CredentialsPanel : public QGroupBox
{
    Q_OBJECT

public:
    explicit CredentialsPanel(QWidget* parent = nullptr);
    ~CredentialsPanel() override;

    // Asks the keyring for both environments' credentials; it answers later.
    void load();
    Environment environment() const;
    // What the boxes hold, without the spaces pasting leaves at the ends.
    Credentials typedCredentials() const;
    // The chosen environment's credentials when both are typed, kept in the keyring if
    // the seller asked for it; otherwise says what is missing, puts the cursor there and
    // answers nothing.
    std::optional<Credentials> credentialsToUse();
    // Puts the cursor in the client ID box, where a seller starts.
    void focusClientId();

signals:
    // The keyring has answered for both environments and the boxes show what it had.
    void keyringAnswered();

private:
    void optEnvironment_Click();
    void chkRemember_Click(bool ticked);

    void credentialsLoaded(Environment environment, const Credentials& credentials);
    void keyringUnavailable(const QString& reason);
    void keyringWriteFailed(bool removing, const QString& reason);
    void showEnvironment(Environment environment);

    std::unique_ptr<Ui::CredentialsPanel> m_ui;
    std::unique_ptr<CredentialStore> m_store;
    // What each environment's boxes hold while the other is shown, and whether its
    // credentials are to be remembered.
    std::array<Credentials, EnvironmentCount> m_credentials;
    std::array<bool, EnvironmentCount> m_remember{};
    std::array<bool, EnvironmentCount> m_loaded{};
    Environment m_shown = Environment::Sandbox;
    bool m_environmentChosen = false;
    bool m_keyring = true;
};

} // namespace quorvane
