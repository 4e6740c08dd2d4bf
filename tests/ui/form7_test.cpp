#include "form7.h"
#include "forms.h"
#include "messagerecorder.h"
#include "networkforms.h"
#include "savefile.h"
#include "windows.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <ReadBarcode.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// What a phone's reader makes of a picture: the text of the one QR code in it.
QString decoded(const QImage& picture)
{
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::Result result = ZXing::ReadBarcode(
        {grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum, int(grey.bytesPerLine())},
        ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::QRCode));
    return result.isValid() ? QString::fromStdString(result.text()) : QString();
}

bool mapped(const char* library)
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

// The dark rectangles of an SVG picture, four pixels a unit.
QImage drawnSvg(const QByteArray& svg)
{
    const int side = QRegularExpression("viewBox=\"0 0 (\\d+) ").match(svg).captured(1).toInt();
    QImage picture(side * 4, side * 4, QImage::Format_Grayscale8);
    picture.fill(Qt::white);
    auto runs = QRegularExpression("M(\\d+) (\\d+)h(\\d+)v1h-\\3z").globalMatch(QString::fromUtf8(svg));
    while (runs.hasNext()) {
        const auto run = runs.next();
        for (int x = 0; x < run.captured(3).toInt() * 4; ++x) {
            for (int y = 0; y < 4; ++y) {
                picture.setPixel(run.captured(1).toInt() * 4 + x, run.captured(2).toInt() * 4 + y, 0);
            }
        }
    }
    return picture;
}

} // namespace

class Form7Test : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheEncoderOnFirstUse();
    void readsBackAsTheLink_data();
    void readsBackAsTheLink();
};

// The program starts without libqrencode; the first code loads it.
void Form7Test::loadsTheEncoderOnFirstUse()
{
    QVERIFY(!mapped("libqrencode"));
    QVERIFY(
        std::holds_alternative<QrCode>(QrCode::encode("https://www.paypal.com/ncp/payment/K7XQ2WJ9H4LRA")));
    QVERIFY(mapped("libqrencode"));
}

void Form7Test::readsBackAsTheLink_data()
{
    QTest::addColumn<QString>("picture"); // how the code leaves the window
    QTest::addColumn<qreal>("ratio");     // device pixels a window pixel
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("file"); // the name offered to save it under
    const QString link = "https://www.paypal.com/ncp/payment/K7XQ2WJ9H4LRA";
    const QString localised = link + "?locale.x=ja_JP&country.x=JP";
    QTest::newRow("window 1x") << "window" << 1.0 << "Oak board" << link << "";
    QTest::newRow("window 2x") << "window" << 2.0 << "Oak board" << link << "";
    QTest::newRow("window 1.5x, long link") << "window" << 1.5 << "Oak board" << localised << "";
    QTest::newRow("PNG") << "png" << 1.0 << "Oak board: A5/A4" << link << "Oak board- A5-A4 QR code.png";
    QTest::newRow("PNG, long link") << "png" << 1.0 << ".." << localised << "payment-link QR code.png";
    QTest::newRow("SVG") << "svg" << 1.0 << "Chair" << localised << "Chair QR code.svg";
    QTest::newRow("clipboard") << "clipboard" << 1.0 << "Chair" << link << "";
}

void Form7Test::readsBackAsTheLink()
{
    QFETCH(QString, picture);
    QFETCH(qreal, ratio);
    QFETCH(QString, item);
    QFETCH(QString, link);
    QFETCH(QString, file);
    MessageRecorder boxes;
    QTemporaryDir folder;
    QString offered;
    setSaveFileAsker([&](const QString&, const QString& suggested) {
        offered = suggested;
        return folder.filePath("code");
    });
    showQrCode(item, link);
    Form7* window = networkForms().form7.get();
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("QR Code"));
    QImage seen;
    if (picture == "window") {
        seen = QImage(window->size() * ratio, QImage::Format_RGB32);
        seen.setDevicePixelRatio(ratio);
        window->render(&seen);
        // The item and the link stand under the code.
        QCOMPARE(control<QLabel>(window, "lblItem")->text(), item);
        QCOMPARE(control<QLineEdit>(window, "txtLink")->text(), link);
    } else if (picture == "clipboard") {
        QTest::mouseClick(control<QPushButton>(window, "cmdCopyPicture"), Qt::LeftButton);
        seen = QGuiApplication::clipboard()->image();
    } else {
        QTest::mouseClick(control<QPushButton>(window, picture == "png" ? "cmdSavePng" : "cmdSaveSvg"),
                          Qt::LeftButton);
        QCOMPARE(QFileInfo(offered).fileName(), file);
        QFile saved(folder.filePath("code"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        seen = picture == "png" ? QImage::fromData(bytes, "PNG") : drawnSvg(bytes);
        // For print: at least 1200 pixels a side.
        QVERIFY(picture == "svg" || (seen.width() >= 1200 && seen.height() == seen.width()));
    }
    QCOMPARE(decoded(seen), link);
    QCOMPARE(boxes.boxes.size(), 0u);
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!networkForms().form7.isLoaded());
    setSaveFileAsker({});
}

QTEST_MAIN(Form7Test)
#include "form7_test.moc"
