// Shows each window of the tool as a seller first sees it and saves it as a PNG.
// Usage: render_windows <output directory>

#include "buttoncode.h"
#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "form4.h"
#include "form5.h"
#include "forms.h"
#include "networkforms.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPlainTextEdit>
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
    return rendered ? 0 : 1;
}
