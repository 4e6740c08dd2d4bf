#pragma once

#include "credentialstore.h"
#include "form.h"
#include "paypalclient.h"
#include "skin.h"

#include <QString>
#include <array>
#include <memory>

namespace Ui {
class Form5;
}

namespace quorvane {

// The payment link window: makes a PayPal payment link of the main window's entries
// with the seller's app credentials, and shows the link and a line of page code.
class Form5 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form5(QWidget* parent = nullptr);
    ~Form5() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    void optEnvironment_Click();
    void chkRemember_Click(bool ticked);
    void cmdCreate_Click();
    void cmdCancel_Click();
    void cmdCopyLink_Click();
    void cmdCopyCode_Click();
    void cmdOpenLink_Click();
    void cmdClose_Click();

    void credentialsLoaded(Environment environment, const Credentials& credentials);
    void keyringUnavailable(const QString& reason);
    void keyringWriteFailed(bool removing, const QString& reason);
    void linkCreated(const QString& link);
    void linkFailed(const QString& text);

    Environment environment() const;
    Credentials typedCredentials() const;
    void showEnvironment(Environment environment);
    void setWorking(bool working);
    void setStatus(const QString& text);

    std::unique_ptr<Ui::Form5> m_ui;
    quorvane::Skin Skin1;
    std::unique_ptr<CredentialStore> m_store;
    PayPalClient m_paypal;
    // What each environment's boxes hold while the other is shown, and whether its
    // credentials are to be remembered.
    std::array<Credentials, EnvironmentCount> m_credentials;
    std::array<bool, EnvironmentCount> m_remember{};
    std::array<bool, EnvironmentCount> m_loaded{};
    Environment m_shown = Environment::Sandbox;
    Environment m_asked = Environment::Sandbox;
    bool m_environmentChosen = false;
    bool m_keyring = true;
    QString m_picture;
    QString m_link;
    QString m_code;
};

} // namespace quorvane
