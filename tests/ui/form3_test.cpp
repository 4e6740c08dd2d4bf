#include "buildconfig.h"
#include "fakelauncher.h"
#include "form3.h"
#include "forms.h"
#include "windows.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

Form3* shownForm3()
{
    return shown(forms().form3.get());
}

std::map<QString, QRect> childGeometries(Form3* form)
{
    std::map<QString, QRect> geometries;
    for (QWidget* child : form->findChildren<QWidget*>()) {
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_"))) {
            geometries[child->objectName()] = child->geometry();
        }
    }
    return geometries;
}

} // namespace

class Form3Test : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void windowIsSizableWithAllTitleBarButtons();
    void controlsAreWhereAndWhatTheyShouldBe();
    void flatAndLockedControls();
    void resizingMovesAndStretchesNothing();
    void focusStartsOnGoToWebsiteAndTabsInOrder();
    void noDefaultOrCancelButton();

    void goToWebsiteHandsTheShownAddressToTheLauncher();
    void failedLauncherShowsOneBoxAndTheWindowStaysUsable();
    void closeButtonUnloadsTheWindow();
};

void Form3Test::cleanup()
{
    forms().form3.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!forms().form3.isLoaded());
}

void Form3Test::windowIsSizableWithAllTitleBarButtons()
{
    Form3* form = shownForm3();

    QCOMPARE(form->windowTitle(), QStringLiteral("Licensed Owner Details"));
    QVERIFY(form->isWindow());
    QCOMPARE(form->parentWidget(), nullptr);
    QCOMPARE(form->size(), QSize(238, 147));
    QVERIFY(form->minimumSize() != form->maximumSize());
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(form->windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(form->windowIcon().availableSizes().contains(QSize(32, 32)));
}

void Form3Test::controlsAreWhereAndWhatTheyShouldBe()
{
    Form3* form = shownForm3();
    auto* frame = control<QGroupBox>(form, "Frame1");
    QVERIFY(frame);
    QCOMPARE(frame->parentWidget(), form);
    QCOMPARE(frame->title(), QStringLiteral("Licensed too"));
    QCOMPARE(frame->geometry(), QRect(0, 0, 233, 113));

    for (const char* name : {"Text2", "Text1", "txtUrl"}) {
        QVERIFY2(form->findChild<QWidget*>(QLatin1String(name))->parentWidget() == frame, name);
    }
    QCOMPARE(control<QLineEdit>(form, "Text2")->geometry(), QRect(16, 16, 209, 19));
    QCOMPARE(control<QPlainTextEdit>(form, "Text1")->geometry(), QRect(16, 40, 209, 37));
    QCOMPARE(control<QLineEdit>(form, "txtUrl")->geometry(), QRect(16, 80, 209, 19));
    QCOMPARE(control<QPushButton>(form, "cmdGo")->geometry(), QRect(16, 120, 81, 25));
    QCOMPARE(control<QPushButton>(form, "Command1")->geometry(), QRect(112, 120, 83, 25));

    QCOMPARE(control<QLineEdit>(form, "Text2")->text(), QStringLiteral("Quorvane Ver 1.2"));
    QCOMPARE(control<QLineEdit>(form, "txtUrl")->text(), QStringLiteral(QUORVANE_WEBSITE_URL));
    QCOMPARE(control<QPushButton>(form, "cmdGo")->text(), QStringLiteral("Go to website"));
    QCOMPARE(control<QPushButton>(form, "Command1")->text(), QStringLiteral("Close"));
    const QList<QPair<const char*, QString>> names = {{"cmdGo", "Go to website"},
                                                      {"Command1", "Close"},
                                                      {"Text2", "Version"},
                                                      {"Text1", "Notice"},
                                                      {"txtUrl", "Web site"}};
    for (const auto& [name, accessibleName] : names) {
        QCOMPARE(QAccessible::queryAccessibleInterface(control<QWidget>(form, name))->text(QAccessible::Name),
                 accessibleName);
    }

    // Two lines, each ending in CR LF (the box shows each end as a paragraph break).
    const QStringList lines = control<QPlainTextEdit>(form, "Text1")->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].contains(QLatin1String("2026")));
    QVERIFY(lines[0].contains(QLatin1String("rights")));
    QVERIFY(!lines[1].isEmpty());
    QCOMPARE(lines[2], QString());
}

void Form3Test::flatAndLockedControls()
{
    Form3* form = shownForm3();
    for (const char* name : {"Text1", "Text2", "txtUrl", "Command1"}) {
        QVERIFY2(form->findChild<QWidget*>(QLatin1String(name))->property("appearance").toString() ==
                     QStringLiteral("flat"),
                 name);
    }
    for (const char* name : {"Frame1", "cmdGo"}) {
        QVERIFY2(!form->findChild<QWidget*>(QLatin1String(name))->property("appearance").isValid(), name);
    }
    QVERIFY(control<QLineEdit>(form, "Text2")->isReadOnly());
    QVERIFY(control<QLineEdit>(form, "txtUrl")->isReadOnly());
    QVERIFY(control<QPlainTextEdit>(form, "Text1")->isReadOnly());

    // Locked, yet the text can still be selected and copied.
    auto* url = control<QLineEdit>(form, "txtUrl");
    url->setFocus();
    QTest::keyClicks(url, QStringLiteral("typed"));
    QTest::keyClick(url, Qt::Key_Backspace);
    QCOMPARE(url->text(), QStringLiteral(QUORVANE_WEBSITE_URL));
    QVERIFY(control<QPlainTextEdit>(form, "Text1")->textInteractionFlags() & Qt::TextSelectableByMouse);
}

void Form3Test::resizingMovesAndStretchesNothing()
{
    Form3* form = shownForm3();
    const auto before = childGeometries(form);
    QVERIFY(before.size() >= 6);

    for (const QSize size : {QSize(520, 400), QSize(120, 80), QSize(238, 147)}) {
        form->resize(size);
        QCOMPARE(form->size(), size);
        QCOMPARE(childGeometries(form), before);
    }
}

void Form3Test::focusStartsOnGoToWebsiteAndTabsInOrder()
{
    Form3* form = shownForm3();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTRY_COMPARE(QApplication::focusWidget(), control<QWidget>(form, "cmdGo"));

    const QStringList expected = {QStringLiteral("txtUrl"), QStringLiteral("Text2"), QStringLiteral("Text1"),
                                  QStringLiteral("Command1"), QStringLiteral("cmdGo")};
    for (const QString& name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void Form3Test::noDefaultOrCancelButton()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);
    Form3* form = shownForm3();
    QVERIFY(QTest::qWaitForWindowActive(form));
    for (const char* name : {"cmdGo", "Command1"}) {
        QVERIFY2(!control<QPushButton>(form, name)->autoDefault(), name);
        QVERIFY2(!control<QPushButton>(form, name)->isDefault(), name);
    }

    // Enter in a text box presses nothing, Escape presses nothing anywhere.
    for (const char* name : {"Text2", "Text1", "txtUrl"}) {
        QWidget* widget = control<QWidget>(form, name);
        widget->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(widget, key);
        }
    }
    for (const char* name : {"cmdGo", "Command1"}) {
        control<QWidget>(form, name)->setFocus();
        QTest::keyClick(control<QWidget>(form, name), Qt::Key_Escape);
    }

    QTest::qWait(200);
    QVERIFY(forms().form3.isLoaded());
    QVERIFY(form->isVisible());
    QVERIFY(!launcher.wasStarted());
    QCOMPARE(recorder.boxes.size(), 0u);
}

void Form3Test::goToWebsiteHandsTheShownAddressToTheLauncher()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);
    Form3* form = shownForm3();

    QTest::mouseClick(control<QPushButton>(form, "cmdGo"), Qt::LeftButton);

    QTRY_VERIFY(launcher.isGone());
    QCOMPARE(launcher.arguments(), QStringList{control<QLineEdit>(form, "txtUrl")->text()});
    QCOMPARE(launcher.arguments(), QStringList{QStringLiteral(QUORVANE_WEBSITE_URL)});
    QCOMPARE(recorder.boxes.size(), 0u);
    QVERIFY(form->isVisible());
}

void Form3Test::failedLauncherShowsOneBoxAndTheWindowStaysUsable()
{
    MessageRecorder recorder;
    FakeLauncher launcher(2);
    QPointer<Form3> form = shownForm3();

    QTest::mouseClick(control<QPushButton>(form, "cmdGo"), Qt::LeftButton);

    QTRY_COMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text, BrowserErrorText);
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Critical);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Quorvane"));
    QVERIFY(form->isVisible());
    QVERIFY(form->isEnabled());

    // Usable from the keyboard too: Enter on the focused "Close" presses it.
    control<QPushButton>(form, "Command1")->setFocus();
    QTest::keyClick(control<QPushButton>(form, "Command1"), Qt::Key_Return);
    QVERIFY(!forms().form3.isLoaded());
    QCOMPARE(recorder.boxes.size(), 1u);
}

void Form3Test::closeButtonUnloadsTheWindow()
{
    QPointer<Form3> form = shownForm3();

    QTest::mouseClick(control<QPushButton>(form, "Command1"), Qt::LeftButton);

    QVERIFY(!forms().form3.isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
}

QTEST_MAIN(Form3Test)
#include "form3_test.moc"
