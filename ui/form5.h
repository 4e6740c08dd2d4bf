#pragma once

#include "form.h"
#include "paypalclient.h"
#include "skin.h"

#include <QString>
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
    void cmdCreate_Click();
    void cmdCancel_Click();
    void cmdCopyLink_Click();
    void cmdCopyCode_Click();
    void cmdOpenLink_Click();
    void cmdQrCode_Click();
    void cmdClose_Click();

    void linkCreated(const QString& link);
    void linkFailed(const QString& text);

    void setWorking(bool working);
    void setStatus(const QString& text);

    std::unique_ptr<Ui::Form5> m_ui;
    quorvane::Skin Skin1;
    PayPalClient m_paypal;
    Environment m_asked = Environment::Sandbox;
    QString m_picture;
    QString m_askedItem;
    QString m_item;
    QString m_link;
    QString m_code;
};

} // namespace quorvane
