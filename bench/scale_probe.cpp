// A long note title through the windows: "Generate The Code !" until the code window
// is painted and idle, then "Copy The Code !" with "Set!" answered, and whether the
// clipboard then holds exactly the generator's code.
//
//   scale_probe <bytes>         the presses, as a seller makes them
//   scale_probe <bytes> phases  the same steps the press runs, each timed apart
//
// Prints key=value pairs: times in ns, peak memory in KiB.
#include "buttoncode.h"
#include "deferredicons.h"
#include "dormantaccessibility.h"
#include "entries.h"
#include "form1.h"
#include "form2.h"
#include "forms.h"
#include "idleprobe.h"
#include "messagebox.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>

namespace {

using quorvane::bench::IdleProbe;
using quorvane::bench::monotonicNanoseconds;

constexpr int TimeoutMs = 600000;

QString g_lastBoxTitle;

bool isCodeWindow(const QWidget* window)
{
    return qobject_cast<const quorvane::Form2*>(window) != nullptr;
}

void fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

void print(const char* key, std::int64_t value)
{
    std::printf("%s=%lld\n", key, static_cast<long long>(value));
    std::fflush(stdout);
}

std::string expectedCode(const std::string& noteTitle)
{
    const quorvane::ButtonCodeResult result =
        quorvane::GenerateButtonCode(quorvane::bench::requestFor(noteTitle));
    return std::get<quorvane::ButtonCode>(result).text;
}

std::int64_t pressCopy(quorvane::Form2* codeWindow)
{
    g_lastBoxTitle.clear();
    const std::int64_t start = monotonicNanoseconds();
    quorvane::bench::buttonOf(codeWindow, "Command1")->click();
    const std::int64_t elapsed = monotonicNanoseconds() - start;
    if (g_lastBoxTitle != QStringLiteral("Set!")) {
        fail("no \"Set!\" box after copying");
    }
    return elapsed;
}

void checkClipboard(const std::string& noteTitle)
{
    const std::string expected = expectedCode(noteTitle);
    const std::string copied = QGuiApplication::clipboard()->text().toStdString();
    print("code_bytes", static_cast<std::int64_t>(expected.size()));
    print("exact", copied == expected ? 1 : 0);
    if (copied != expected) {
        const auto mismatch = std::mismatch(copied.begin(), copied.end(), expected.begin(), expected.end());
        std::fprintf(stderr, "clipboard holds %zu bytes, the code %zu; they differ from byte %td\n",
                     copied.size(), expected.size(), mismatch.first - copied.begin());
    }
}

void presses(quorvane::Form1* mainWindow, const std::string& noteTitle)
{
    std::int64_t start = monotonicNanoseconds();
    quorvane::bench::fillMainWindow(mainWindow, QString::fromStdString(noteTitle));
    print("fill", monotonicNanoseconds() - start);

    IdleProbe shown(isCodeWindow);
    start = monotonicNanoseconds();
    quorvane::bench::buttonOf(mainWindow, "Command1")->click();
    if (!shown.wait(TimeoutMs) || !quorvane::forms().form2.isLoaded()) {
        fail("the code window did not show");
    }
    print("generate_show", monotonicNanoseconds() - start);
    print("copy", pressCopy(quorvane::forms().form2.get()));
    print("hwm_kib", quorvane::bench::peakResidentKiB());
    checkClipboard(noteTitle);
}

// The steps of "Generate The Code !" one by one, in the order its handler runs them.
void phases(quorvane::Form1* mainWindow, const std::string& noteTitle)
{
    quorvane::bench::fillMainWindow(mainWindow, QString::fromStdString(noteTitle));
    auto* noteBox = mainWindow->findChild<QLineEdit*>(QStringLiteral("Text8"));

    std::int64_t start = monotonicNanoseconds();
    std::string entered = noteBox->text().toStdString();
    print("read", monotonicNanoseconds() - start);

    start = monotonicNanoseconds();
    const quorvane::ButtonCodeResult result =
        quorvane::GenerateButtonCode(quorvane::bench::requestFor(std::move(entered)));
    print("generate", monotonicNanoseconds() - start);

    start = monotonicNanoseconds();
    const QString code = QString::fromStdString(std::get<quorvane::ButtonCode>(result).text);
    print("to_qstring", monotonicNanoseconds() - start);

    start = monotonicNanoseconds();
    quorvane::Form2* codeWindow = quorvane::forms().form2.get();
    print("load", monotonicNanoseconds() - start);

    start = monotonicNanoseconds();
    codeWindow->setCode(code);
    print("set_code", monotonicNanoseconds() - start);

    IdleProbe shown(isCodeWindow);
    start = monotonicNanoseconds();
    codeWindow->show();
    codeWindow->raise();
    codeWindow->activateWindow();
    if (!shown.wait(TimeoutMs)) {
        fail("the code window did not show");
    }
    print("show", monotonicNanoseconds() - start);
    print("copy", pressCopy(codeWindow));
    print("hwm_kib", quorvane::bench::peakResidentKiB());
    checkClipboard(noteTitle);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const quorvane::DormantAccessibility accessibility;
    QApplication::setApplicationName(quorvane::ApplicationTitle);
    quorvane::deferRarePictures();
    if (argc < 2) {
        fail("usage: scale_probe <bytes> [phases]");
    }
    const std::string noteTitle = quorvane::bench::noteTitleOf(std::strtoull(argv[1], nullptr, 10));
    quorvane::setMessageBoxHandler(
        [](const QString&, quorvane::MessageStyle, const QString& title) { g_lastBoxTitle = title; });

    quorvane::Form1* mainWindow = quorvane::forms().form1.get();
    {
        IdleProbe shown([mainWindow](const QWidget* w) { return w == mainWindow; });
        mainWindow->show();
        shown.wait(TimeoutMs);
    }
    if (argc > 2 && std::strcmp(argv[2], "phases") == 0) {
        phases(mainWindow, noteTitle);
    } else {
        presses(mainWindow, noteTitle);
    }
    quorvane::forms().form2.unload();
    quorvane::forms().form1.unload();
    return 0;
}
