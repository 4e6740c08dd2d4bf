#pragma once

#include "form.h"
#include "qrcode.h"
#include "skin.h"

#include <QString>
#include <memory>
#include <optional>

namespace Ui {
class Form7;
}

namespace quorvane {

// The QR code window: a payment link's code, large enough for a phone held to the
// screen, with the item and the link under it; the picture copied or saved for print.
class Form7 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form7(QWidget* parent = nullptr);
    ~Form7() override;

    void showCode(const QString& item, const QString& link, const QrCode& code);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void cmdCopyPicture_Click();
    void cmdSavePng_Click();
    void cmdSaveSvg_Click();
    void cmdClose_Click();

    void paintCode();
    void save(const QString& caption, const QString& suffix, const QString& filter, const QByteArray& bytes);

    std::unique_ptr<Ui::Form7> m_ui;
    quorvane::Skin Skin1;
    std::optional<QrCode> m_code;
    QString m_item;
};

// Brings up the QR code window with the code of a payment link, or says in one box why
// no code can be made.
void showQrCode(const QString& item, const QString& link);

} // namespace quorvane
