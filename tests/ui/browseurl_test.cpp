#include "browseurl.h"
#include "fakelauncher.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace quorvane;
using namespace quorvane::testing;

class BrowseUrlTest : public QObject
{
    Q_OBJECT

private slots:
    void handsTheAddressOverUnchangedAsOneArgument_data();
    void handsTheAddressOverUnchangedAsOneArgument();
    void successShowsNoBoxAndReapsTheLauncher();
    void failureExitShowsOneErrorBox_data();
    void failureExitShowsOneErrorBox();
    void missingLauncherShowsOneErrorBox();
    void shellMetacharactersAreInert();
    void doesNotWaitForTheLauncher();
    void launcherStillRunningAfterTheGraceCountsAsStarted();
};

void BrowseUrlTest::handsTheAddressOverUnchangedAsOneArgument_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("plain") << QStringLiteral("https://www.quorvane.example/code-scrambler/");
    QTest::newRow("spaces kept") << QStringLiteral("  https://a.example/x y  ");
    QTest::newRow("no scheme added") << QStringLiteral("www.quorvane.example");
    QTest::newRow("empty") << QString();
    QTest::newRow("quotes and dashes") << QStringLiteral("--help \"it's\" -x");
    QTest::newRow("non-ASCII") << QStringLiteral("https://b\u00fccher.example/\u00e9t\u00e9");
}

void BrowseUrlTest::handsTheAddressOverUnchangedAsOneArgument()
{
    QFETCH(QString, url);
    MessageRecorder recorder;
    FakeLauncher launcher(0);

    BrowseURL(url);

    QTRY_VERIFY(launcher.isGone());
    QCOMPARE(launcher.arguments(), QStringList{url});
    QCOMPARE(recorder.boxes.size(), 0u);
}

void BrowseUrlTest::successShowsNoBoxAndReapsTheLauncher()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);

    BrowseURL(QStringLiteral("https://www.quorvane.example/"));

    QTRY_VERIFY(launcher.isGone());
    QTest::qWait(200);
    QCOMPARE(recorder.boxes.size(), 0u);
}

void BrowseUrlTest::failureExitShowsOneErrorBox_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::newRow("syntax") << 1;
    QTest::newRow("not found") << 2;
    QTest::newRow("no method") << 3;
    QTest::newRow("action failed") << 4;
}

void BrowseUrlTest::failureExitShowsOneErrorBox()
{
    QFETCH(int, exitCode);
    MessageRecorder recorder;
    FakeLauncher launcher(exitCode);

    BrowseURL(QStringLiteral("https://www.quorvane.example/"));

    QTRY_COMPARE(recorder.boxes.size(), 1u);
    QVERIFY(launcher.isGone());
    QCOMPARE(recorder.boxes[0].text, BrowserErrorText);
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Critical);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Quorvane"));
    QTest::qWait(200);
    QCOMPARE(recorder.boxes.size(), 1u);
}

void BrowseUrlTest::missingLauncherShowsOneErrorBox()
{
    MessageRecorder recorder;
    NoLauncher noLauncher;

    BrowseURL(QStringLiteral("https://www.quorvane.example/"));

    QTRY_COMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text, BrowserErrorText);
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Critical);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Quorvane"));
    QTest::qWait(200);
    QCOMPARE(recorder.boxes.size(), 1u);
}

void BrowseUrlTest::shellMetacharactersAreInert()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);
    const QString oldDirectory = QDir::currentPath();
    QDir::setCurrent(launcher.path({}));
    QFile victim(launcher.path(QStringLiteral("y")));
    QVERIFY(victim.open(QIODevice::WriteOnly));
    victim.close();
    const QString url = QStringLiteral("$(touch x); rm y `touch x` | touch x && touch x");

    BrowseURL(url);
    QDir::setCurrent(oldDirectory);

    QTRY_VERIFY(launcher.isGone());
    QCOMPARE(launcher.arguments(), QStringList{url});
    QVERIFY(!QFile::exists(launcher.path(QStringLiteral("x"))));
    QVERIFY(QFile::exists(launcher.path(QStringLiteral("y"))));
    QCOMPARE(recorder.boxes.size(), 0u);
}

void BrowseUrlTest::doesNotWaitForTheLauncher()
{
    MessageRecorder recorder;
    FakeLauncher launcher(2, "while [ ! -e \"${0%/bin/xdg-open}/gate\" ]; do sleep 0.05; done");

    BrowseURL(QStringLiteral("https://www.quorvane.example/"));

    // Back here while the launcher is still held at its gate; its failure comes later.
    QCOMPARE(recorder.boxes.size(), 0u);
    QTRY_VERIFY(launcher.wasStarted());
    QVERIFY(!launcher.isGone());
    QFile gate(launcher.path(QStringLiteral("gate")));
    QVERIFY(gate.open(QIODevice::WriteOnly));
    gate.close();
    QTRY_COMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text, BrowserErrorText);
    QVERIFY(launcher.isGone());
}

void BrowseUrlTest::launcherStillRunningAfterTheGraceCountsAsStarted()
{
    MessageRecorder recorder;
    FakeLauncher launcher(4, "sleep 4");

    BrowseURL(QStringLiteral("https://www.quorvane.example/"));

    QTRY_VERIFY_WITH_TIMEOUT(launcher.isGone(), 15000);
    QTest::qWait(200);
    QCOMPARE(recorder.boxes.size(), 0u);
}

QTEST_MAIN(BrowseUrlTest)
#include "browseurl_test.moc"
