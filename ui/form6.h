#pragma once

#include "credentialstore.h"
#include "form.h"
#include "paypalclient.h"
#include "skin.h"

#include <QString>
#include <memory>
#include <optional>

class QAction;
class QPushButton;

namespace Ui {
class Form6;
}

namespace quorvane {

class LinksModel;
struct PaymentLink;

// The seller's payment links at PayPal: every page of the list in a table, kept in
// memory only, and for the chosen link its address, its page code, its QR code, or its
// removal.
class Form6 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form6(QWidget* parent = nullptr);
    ~Form6() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void cmdShow_Click();
    void cmdCancel_Click();
    void txtFilter_Change();
    void cmdCopyLink_Click();
    void cmdCopyCode_Click();
    void cmdOpenLink_Click();
    void cmdQrCode_Click();
    void cmdDelete_Click();
    void cmdClose_Click();

    void keyringAnswered();
    void linksPage(const QList<PaymentLink>& links);
    void linksListed();
    void linkDeleted(const QString& id);
    void paypalFailed(const QString& text);

    // The link of the row chosen in the table, if one is.
    const PaymentLink* chosenLink() const;
    void linkChosen();
    QAction* linkAction(QPushButton* button, void (Form6::*handler)());
    void setWorking(bool working);
    void setStatus(const QString& text);
    void showCount();

    // What PayPal is doing for the window.
    enum class Asked
    {
        Nothing,
        List,
        Delete,
    };

    std::unique_ptr<Ui::Form6> m_ui;
    quorvane::Skin Skin1;
    LinksModel* m_links;
    QAction* m_copyLink = nullptr;
    QAction* m_delete = nullptr;
    PayPalClient m_paypal;
    Asked m_asked = Asked::Nothing;
    bool m_listAsked = false;
    // The app whose links the table shows: deleting one asks that app, whatever the
    // boxes hold since.
    Environment m_listedEnvironment = Environment::Sandbox;
    Credentials m_listedCredentials;
    QString m_deleting;
};

} // namespace quorvane
