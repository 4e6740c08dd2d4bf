// Shows each window of the tool as a seller first sees it and saves it as a PNG.
// Usage: render_windows <output directory>

#include "buttoncode.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"
#include "form5.h"
#include "form6.h"
#include "form7.h"
#include "form8.h"
#include "forms.h"
#include "linksmodel.h"
#include "messagebox.h"
#include "networkforms.h"
#include "savefile.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QWindow>
#include <cstdio>
#include <variant>

using namespace quorvane;

namespace {

// An order as a seller might enter it, so the code window shows a real code.
QString sampleCode()
{
    ButtonRequest request;
    request.ItemName = "Hand-bound notebook, A5";
    request.ItemNumber = "NB-0042";
    request.Amount = "14.50";
    request.ReturnUrl = "https://shop.example/thanks.html";
    request.CancelUrl = "https://shop.example/cancelled.html";
    request.Account = "sales@shop.example";
    request.UsePresetImage = true;
    request.ChosenImage = 1;
    const ButtonCodeResult result = GenerateButtonCode(request);
    const auto* code = std::get_if<ButtonCode>(&result);
    return code ? QString::fromStdString(code->text) : QString();
}

// A seller's links as PayPal might list them, for the list window.
void showSampleLinks(Form6* window)
{
    const struct
    {
        const char* item;
        const char* itemId;
        const char* price;
        const char* status;
        int day;
        const char* id;
    } samples[] = {
        {"Hand-bound notebook, A5", "NB-0042", "14.50", "ACTIVE", 8, "PLB-3KX7M2QW9TZ4N"},
        {"Hand-bound notebook, A4", "NB-0043", "19.00", "ACTIVE", 8, "PLB-8RJ2VC5LD1HQA"},
        {"Linen bookmark", "BM-0007", "4.25", "ACTIVE", 5, "PLB-Q6N9YB4EW3KT2"},
        {"Leather journal (sold out)", "LJ-0011", "48.00", "INACTIVE", 2, "PLB-D7H1MZ8XR5UF6"},
        {"Gift wrapping", "", "3.00", "ACTIVE", 1, "PLB-W2C4PG6JN8AS1"},
    };
    QList<PaymentLink> links;
    for (const auto& sample : samples) {
        const QString id = QString::fromLatin1(sample.id);
        links.append({id,
                      QString::fromUtf8(sample.item),
                      QString::fromLatin1(sample.itemId),
                      QString::fromLatin1(sample.price),
                      QStringLiteral("EUR"),
                      QString::fromLatin1(sample.status),
                      QDateTime(QDate(2026, 12, sample.day), QTime(10, 30), Qt::UTC),
                      QStringLiteral("https://www.paypal.com/ncp/payment/") + id.mid(4),
                      {}});
    }
    static_cast<LinksModel*>(window->findChild<QTableView*>(QStringLiteral("tblLinks"))->model())
        ->append(links);
    window->findChild<QLabel*>(QStringLiteral("lblStatus"))->setText(QStringLiteral("5 links."));
}

// The sample site's buttons as the move window lists them once its folder is chosen; the
// folder shown as a seller's, not the build tree's.
void showSampleSite(Form8* window)
{
    setMessageBoxHandler([](const QString&, MessageStyle, const QString&) {});
    setFolderAsker([](const QString&, const QString&) { return QStringLiteral(QUORVANE_SAMPLE_SITE); });
    window->findChild<QPushButton*>(QStringLiteral("cmdChooseFolder"))->click();
    const QDeadlineTimer deadline(10000);
    while (window->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->isEnabled() &&
           !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    window->findChild<QLabel*>(QStringLiteral("lblFolder"))
        ->setText(QStringLiteral("/home/seller/www.shop.example"));
    setFolderAsker({});
    setMessageBoxHandler({});
}

bool render(QWidget* window, const QDir& directory, const QString& name)
{
    window->show();
    window->raise();
    window->activateWindow();
    const QDeadlineTimer deadline(5000);
    while (!(window->windowHandle() && window->windowHandle()->isExposed()) && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QApplication::processEvents();
    const QString file = directory.filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_windows <output directory>\n");
        return 2;
    }
    const QDir directory(QString::fromLocal8Bit(argv[1]));
    if (!directory.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    bool rendered = render(forms().form1.get(), directory, QStringLiteral("form1-main"));
    forms().form2.get()->setCode(sampleCode());
    rendered = render(forms().form2.get(), directory, QStringLiteral("form2-code")) && rendered;
    rendered = render(forms().form3.get(), directory, QStringLiteral("form3-about")) && rendered;
    forms().form4.get()->findChild<QPlainTextEdit*>(QStringLiteral("txtCode"))->setPlainText(sampleCode());
    rendered = render(forms().form4.get(), directory, QStringLiteral("form4-read")) && rendered;
    rendered = render(networkForms().form5.get(), directory, QStringLiteral("form5-link")) && rendered;
    showSampleLinks(networkForms().form6.get());
    rendered = render(networkForms().form6.get(), directory, QStringLiteral("form6-links")) && rendered;
    showQrCode(QStringLiteral("Hand-bound notebook, A5"),
               QStringLiteral("https://www.paypal.com/ncp/payment/3KX7M2QW9TZ4N"));
    rendered = render(networkForms().form7.get(), directory, QStringLiteral("form7-qrcode")) && rendered;
    showSampleSite(networkForms().form8.get());
    rendered = render(networkForms().form8.get(), directory, QStringLiteral("form8-move")) && rendered;
    return rendered ? 0 : 1;
}
