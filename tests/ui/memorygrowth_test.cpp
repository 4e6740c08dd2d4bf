#include "buttoncode.h"
#include "form1.h"
#include "form2.h"
#include "forms.h"
#include "messagebox.h"
#include "messagerecorder.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <fstream>
#include <malloc.h>
#include <unistd.h>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The warm-up holds three large rounds: the first ones fill Qt's and the allocator's
// caches for text of that size.
constexpr int WarmUpRounds = 30;
constexpr int Rounds = 200;

// Between the two readings 17 rounds carry a 100 KB note title, whose code alone takes
// over a megabyte as text; keeping two of them would exceed this.
constexpr long long RssTolerance = 2 * 1024 * 1024;

// AddressSanitizer keeps freed blocks in quarantine and adds shadow memory, so the
// resident size grows with what was freed, not with what is kept. There LeakSanitizer
// reports what is kept when the program ends, and the widget counts still hold.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool RssMeansLiveMemory = false;
#else
constexpr bool RssMeansLiveMemory = true;
#endif

long long residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long totalPages = 0;
    long long residentPages = 0;
    statm >> totalPages >> residentPages;
    return residentPages * sysconf(_SC_PAGESIZE);
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// What is alive besides the heap: windows, widgets and objects owned by the application.
struct ObjectCounts
{
    qsizetype topLevelWidgets = 0;
    qsizetype allWidgets = 0;
    qsizetype applicationObjects = 0;
};

ObjectCounts objectCounts()
{
    return {QApplication::topLevelWidgets().size(), QApplication::allWidgets().size(),
            qApp->findChildren<QObject*>().size()};
}

CheckBoxState checkBoxState(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return CheckBoxState::Unticked;
    case Qt::PartiallyChecked:
        return CheckBoxState::Greyed;
    case Qt::Checked:
        return CheckBoxState::Ticked;
    }
    return CheckBoxState::Unticked;
}

// Entries that differ every round; every tenth round carries a 100 KB note title.
struct Round
{
    std::array<QString, 8> texts;
    std::array<Qt::CheckState, 3> checks;
};

Round round(int n)
{
    const QString note = n % 10 == 0 ? QString(100 * 1024, QChar(u'a' + n % 26))
                                     : QStringLiteral("Note %1 ").arg(n).repeated(1 + n % 97);
    static constexpr std::array<Qt::CheckState, 3> states = {Qt::Unchecked, Qt::Checked,
                                                             Qt::PartiallyChecked};
    return {{QStringLiteral("Item %1").arg(n), QStringLiteral("N-%1").arg(n),
             QStringLiteral("%1.%2").arg(n).arg(n % 100, 2, 10, QChar(u'0')),
             QStringLiteral("https://shop.example/thanks/%1").arg(n),
             QStringLiteral("seller%1@shop.example").arg(n),
             QStringLiteral("https://shop.example/cancelled/%1").arg(n), QStringLiteral("http://"), note},
            {states[n % 3], states[(n + 1) % 3], states[(n + 2) % 3]}};
}

QString expectedCode(const Round& entries)
{
    ButtonRequest request;
    request.ItemName = entries.texts[0].toStdString();
    request.ItemNumber = entries.texts[1].toStdString();
    request.Amount = entries.texts[2].toStdString();
    request.ReturnUrl = entries.texts[3].toStdString();
    request.Account = entries.texts[4].toStdString();
    request.CancelUrl = entries.texts[5].toStdString();
    request.OwnImageUrl = entries.texts[6].toStdString();
    request.NoteTitle = entries.texts[7].toStdString();
    request.CollectShipping = checkBoxState(entries.checks[0]);
    request.AllowQuantity = checkBoxState(entries.checks[1]);
    request.AllowNote = checkBoxState(entries.checks[2]);
    request.UsePresetImage = true;
    request.ChosenImage = 1;
    const ButtonCodeResult result = GenerateButtonCode(request);
    const auto* code = std::get_if<ButtonCode>(&result);
    return code ? QString::fromStdString(code->text) : QString();
}

template <typename T> T* control(QWidget* form, const QString& name)
{
    T* found = form->findChild<T*>(name);
    if (!found) {
        qFatal("no control %s", qPrintable(name));
    }
    return found;
}

// One person's round: fill the main window, generate, copy, answer "Set!", and on
// every other round close the code window so the next one loads afresh.
void generateAndCopy(int n)
{
    Form1* main = forms().form1.get();
    const Round entries = round(n);
    for (int k = 1; k <= 8; ++k) {
        control<QLineEdit>(main, QStringLiteral("Text%1").arg(k))->setText(entries.texts[k - 1]);
    }
    for (int k = 1; k <= 3; ++k) {
        control<QCheckBox>(main, QStringLiteral("Check%1").arg(k))->setCheckState(entries.checks[k - 1]);
    }
    control<QRadioButton>(main, QStringLiteral("Option1"))->setChecked(true);

    MessageRecorder recorder;
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(control<QPushButton>(main, QStringLiteral("Command1")), Qt::LeftButton);
    QVERIFY2(forms().form2.isLoaded(), qPrintable(QStringLiteral("round %1: no code window").arg(n)));
    Form2* codeWindow = forms().form2.get();
    QTest::mouseClick(control<QPushButton>(codeWindow, QStringLiteral("Command1")), Qt::LeftButton);

    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Set!"));
    QVERIFY2(QGuiApplication::clipboard()->text() == expectedCode(entries),
             qPrintable(QStringLiteral("round %1: the clipboard does not hold the code").arg(n)));
    if (n % 2 == 0) {
        codeWindow->close();
        flushDeletes();
        QVERIFY(!forms().form2.isLoaded());
    }
    // A person's clicks come from a running event loop, which handles what the round
    // queued (repaints, scroll bar updates) before the next click.
    QCoreApplication::processEvents();
}

} // namespace

class MemoryGrowthTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void generateAndCopyRoundsKeepNothing();
};

void MemoryGrowthTest::cleanup()
{
    forms().form2.unload();
    forms().form1.unload();
    flushDeletes();
    QVERIFY(!forms().form1.isLoaded());
    QVERIFY(!forms().form2.isLoaded());
}

void MemoryGrowthTest::generateAndCopyRoundsKeepNothing()
{
    Form1* main = forms().form1.get();
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));

    for (int n = 1; n <= WarmUpRounds; ++n) {
        generateAndCopy(n);
        if (QTest::currentTestFailed()) {
            return;
        }
    }
    // Hand freed heap pages back first, so that both readings count what is in use.
    malloc_trim(0);
    const long long rssBefore = residentBytes();
    const ObjectCounts before = objectCounts();

    for (int n = WarmUpRounds + 1; n <= Rounds; ++n) {
        generateAndCopy(n);
        if (QTest::currentTestFailed()) {
            return;
        }
    }
    malloc_trim(0);
    const long long rssAfter = residentBytes();
    const ObjectCounts after = objectCounts();

    qInfo("resident after %d rounds: %lld KiB, after %d: %lld KiB, growth %lld KiB", WarmUpRounds,
          rssBefore / 1024, Rounds, rssAfter / 1024, (rssAfter - rssBefore) / 1024);
    QCOMPARE(after.topLevelWidgets, before.topLevelWidgets);
    QCOMPARE(after.allWidgets, before.allWidgets);
    QCOMPARE(after.applicationObjects, before.applicationObjects);
    if (RssMeansLiveMemory) {
        QVERIFY2(
            rssAfter - rssBefore < RssTolerance,
            qPrintable(QStringLiteral("resident memory grew by %1 KiB").arg((rssAfter - rssBefore) / 1024)));
    }
}

QTEST_MAIN(MemoryGrowthTest)
#include "memorygrowth_test.moc"
