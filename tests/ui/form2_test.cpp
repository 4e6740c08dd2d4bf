#include "buildconfig.h"
#include "fakelauncher.h"
#include "form2.h"
#include "forms.h"
#include "windows.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// A generated code's shape: 14 lines of character references, each ending in a lone CR.
QString fourteenLineCode()
{
    QString code;
    for (int line = 1; line <= 14; ++line) {
        code += QStringLiteral("<input type=\"&#104;&#105;&#100;\" name=\"&#108;%1\" value=\"").arg(line);
        code += QString(line * 9, QLatin1Char('x')) + QStringLiteral("\">\r");
    }
    return code;
}

QPlainTextEdit* codeBox(Form2* form)
{
    return form->findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
}

QPushButton* button(Form2* form, const char* name)
{
    return form->findChild<QPushButton*>(QLatin1String(name));
}

Form2* shownForm2()
{
    return shown(forms().form2.get());
}

} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void windowIsFixedWithCloseButtonOnly();
    void controlsAreWhereAndWhatTheyShouldBe();
    void flatAndLockedControls();
    void focusStartsInTheCodeBoxAndTabsInOrder();
    void noDefaultOrCancelButton();
    void aCodeSetBeforeShowingIsLaidOutOnceAtTheBoxWidth();

    void copiesAnUntouchedCodeByteForByte();
    void copiesAnEmptyBoxAsEmptyText();
    void copiesEditedText();
    void copiesTypedLineBreaksAsCarriageReturns();
    void newCodeReplacesEditsAndIsCopiedExactly();

    void scramblerButtonHandsTheHiddenAddressToTheLauncher();
    void closeButtonUnloadsTheWindow();
};

void Form2Test::cleanup()
{
    forms().form2.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!forms().form2.isLoaded());
}

void Form2Test::windowIsFixedWithCloseButtonOnly()
{
    Form2* form = shownForm2();

    QCOMPARE(form->windowTitle(), QStringLiteral("The Code!"));
    QVERIFY(form->isWindow());
    QCOMPARE(form->parentWidget(), nullptr);
    QCOMPARE(form->size(), QSize(435, 370));
    QCOMPARE(form->minimumSize(), QSize(435, 370));
    QCOMPARE(form->maximumSize(), QSize(435, 370));
    const Qt::WindowFlags flags = form->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!form->windowIcon().isNull());
    QVERIFY(form->windowIcon().availableSizes().contains(QSize(16, 16)));
    QVERIFY(form->windowIcon().availableSizes().contains(QSize(32, 32)));

    form->resize(600, 500);
    QCOMPARE(form->size(), QSize(435, 370));
}

void Form2Test::controlsAreWhereAndWhatTheyShouldBe()
{
    Form2* form = shownForm2();
    auto* text2 = form->findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
    auto* scrambler = form->findChild<QLineEdit*>(QStringLiteral("txtScrambler"));
    QVERIFY(text2 && codeBox(form) && scrambler);

    QCOMPARE(text2->geometry(), QRect(8, 8, 417, 33));
    QCOMPARE(codeBox(form)->geometry(), QRect(8, 48, 423, 277));
    QCOMPARE(button(form, "Command1")->geometry(), QRect(8, 334, 145, 33));
    QCOMPARE(button(form, "Command3")->geometry(), QRect(160, 334, 121, 33));
    QCOMPARE(button(form, "Command2")->geometry(), QRect(286, 334, 145, 33));
    QCOMPARE(scrambler->geometry(), QRect(160, 336, 121, 19));

    QCOMPARE(
        text2->toPlainText(),
        QStringLiteral("Below is the encrypted paypal code, Simply copy this code into your website where "
                       "you want your paypal button to appear and then your ready to start selling!"));
    QCOMPARE(codeBox(form)->toPlainText(), QString());
    QCOMPARE(button(form, "Command1")->text(), QStringLiteral("Copy The Code !"));
    QCOMPARE(button(form, "Command3")->text(), QStringLiteral("Open Code Scrambler"));
    QCOMPARE(button(form, "Command2")->text(), QStringLiteral("Close"));
    QCOMPARE(scrambler->text(), QStringLiteral(QUORVANE_SCRAMBLER_URL));
    QVERIFY(scrambler->isHidden());
    QVERIFY(!scrambler->isVisible());

    // Assistive technology finds every shown control by a name, and not the hidden one.
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form);
    QStringList exposed;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        QCOMPARE(window->indexOfChild(child), i);
        QVERIFY2(!child->text(QAccessible::Name).isEmpty(), qPrintable(child->object()->objectName()));
        exposed.append(child->object()->objectName());
    }
    exposed.sort();
    QCOMPARE(exposed, QStringList({"Command1", "Command2", "Command3", "Text1", "Text2"}));
    QCOMPARE(window->indexOfChild(QAccessible::queryAccessibleInterface(scrambler)), -1);
    QVERIFY(QAccessible::queryAccessibleInterface(text2)->text(QAccessible::Name) !=
            QAccessible::queryAccessibleInterface(codeBox(form))->text(QAccessible::Name));
    QCOMPARE(QAccessible::queryAccessibleInterface(codeBox(form))->text(QAccessible::Name),
             QStringLiteral("PayPal button code"));
}

void Form2Test::flatAndLockedControls()
{
    MessageRecorder recorder;
    Form2* form = shownForm2();
    for (const char* name : {"Text1", "Text2", "Command1", "Command2", "Command3"}) {
        auto* control = form->findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(control, name);
        QVERIFY2(control->property("appearance").toString() == QStringLiteral("flat"), name);
    }
    QVERIFY(!form->findChild<QWidget*>(QStringLiteral("txtScrambler"))->property("appearance").isValid());

    auto* text2 = form->findChild<QPlainTextEdit*>(QStringLiteral("Text2"));
    QVERIFY(text2->isReadOnly());
    QVERIFY(!codeBox(form)->isReadOnly());
    for (QPlainTextEdit* box : {text2, codeBox(form)}) {
        QCOMPARE(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
    QCOMPARE(codeBox(form)->maximumBlockCount(), 0);
    QCOMPARE(codeBox(form)->wordWrapMode(), QTextOption::WrapAnywhere);

    // A long code stays whole; the box wraps it instead of cutting it.
    const QString longCode = QString(100000, QLatin1Char('&')) + QLatin1Char('\r');
    form->setCode(longCode);
    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), longCode);
}

void Form2Test::focusStartsInTheCodeBoxAndTabsInOrder()
{
    Form2* form = shownForm2();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTRY_COMPARE(QApplication::focusWidget(), codeBox(form));

    const QStringList expected = {QStringLiteral("Command1"), QStringLiteral("Command2"),
                                  QStringLiteral("Command3"), QStringLiteral("Text2"),
                                  QStringLiteral("Text1")};
    for (const QString& name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), name);
    }
}

void Form2Test::noDefaultOrCancelButton()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);
    Form2* form = shownForm2();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    for (const char* name : {"Command1", "Command2", "Command3"}) {
        QVERIFY2(!button(form, name)->autoDefault(), name);
        QVERIFY2(!button(form, name)->isDefault(), name);
    }

    // Enter presses a focused button only (the window test does that); in the
    // instruction box it presses nothing, and Escape presses nothing anywhere.
    for (const char* name : {"Text2", "Command1", "Command2", "Command3"}) {
        QWidget* control = form->findChild<QWidget*>(QLatin1String(name));
        control->setFocus();
        const bool isButton = qobject_cast<QPushButton*>(control) != nullptr;
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            if (!isButton || key == Qt::Key_Escape) {
                QTest::keyClick(control, key);
            }
        }
    }
    QTest::keyClick(codeBox(form), Qt::Key_Escape);

    QTest::qWait(200);
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(form->isVisible());
    QCOMPARE(recorder.boxes.size(), 0u);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    QVERIFY(!launcher.wasStarted());
}

// The main window sets the code before it shows the window for the first time.
void Form2Test::aCodeSetBeforeShowingIsLaidOutOnceAtTheBoxWidth()
{
    Form2* form = forms().form2.get();
    QPlainTextEdit* box = codeBox(form);
    form->setCode(fourteenLineCode());
    QTextDocument* document = box->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    layout->blockBoundingRect(document->firstBlock());
    const QTextLayout* firstLine = document->firstBlock().layout();
    QVERIFY(firstLine->lineCount() > 0);
    QCOMPARE(firstLine->lineAt(0).width(), box->viewport()->width() - 2 * document->documentMargin());

    QSignalSpy relayouts(layout, &QAbstractTextDocumentLayout::update);
    shownForm2();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(relayouts.count(), 0);
    QCOMPARE(box->viewport()->width(), box->width() - 2 * box->frameWidth());
}

void Form2Test::copiesAnUntouchedCodeByteForByte()
{
    MessageRecorder recorder;
    QGuiApplication::clipboard()->setText(QStringLiteral("older text"));
    Form2* form = shownForm2();
    const QString code = fourteenLineCode();
    form->setCode(code);

    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);

    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, code);
    QCOMPARE(copied.count(QLatin1Char('\r')), 14);
    QVERIFY(!copied.contains(QLatin1Char('\n')));
    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].text, QStringLiteral("The PayPal code has been set into your clip board!"));
    QCOMPARE(recorder.boxes[0].style, MessageStyle::Plain);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Set!"));

    // The same again: every press copies and confirms.
    QGuiApplication::clipboard()->setText(QStringLiteral("older text"));
    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), code);
    QCOMPARE(recorder.boxes.size(), 2u);
}

void Form2Test::copiesAnEmptyBoxAsEmptyText()
{
    MessageRecorder recorder;
    QGuiApplication::clipboard()->setText(QStringLiteral("older text"));
    Form2* form = shownForm2();

    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(recorder.boxes.size(), 1u);
    QCOMPARE(recorder.boxes[0].title, QStringLiteral("Set!"));

    // Deleting a whole code leaves nothing to copy either.
    form->setCode(fourteenLineCode());
    codeBox(form)->setFocus();
    QTest::keyClick(codeBox(form), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(codeBox(form), Qt::Key_Delete);
    QGuiApplication::clipboard()->setText(QStringLiteral("older text"));
    // This time from the keyboard: Enter on the focused button presses it.
    button(form, "Command1")->setFocus();
    QTest::keyClick(button(form, "Command1"), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(recorder.boxes.size(), 2u);
    QCOMPARE(recorder.boxes[1].text, QStringLiteral("The PayPal code has been set into your clip board!"));
}

void Form2Test::copiesEditedText()
{
    MessageRecorder recorder;
    Form2* form = shownForm2();
    form->setCode(QStringLiteral("<form>\r<input>\r</form>\r"));
    codeBox(form)->setFocus();
    codeBox(form)->moveCursor(QTextCursor::Start);
    QTest::keyClicks(codeBox(form), QStringLiteral("<p>"));
    codeBox(form)->moveCursor(QTextCursor::End);
    QTest::keyClick(codeBox(form), Qt::Key_Backspace);
    QTest::keyClick(codeBox(form), Qt::Key_Backspace);

    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);

    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<p><form>\r<input>\r</form"));
    QCOMPARE(recorder.boxes.size(), 1u);
}

void Form2Test::copiesTypedLineBreaksAsCarriageReturns()
{
    MessageRecorder recorder;
    Form2* form = shownForm2();
    form->setCode(QStringLiteral("a\rb\r"));
    codeBox(form)->setFocus();
    codeBox(form)->moveCursor(QTextCursor::End);
    QTest::keyClick(codeBox(form), Qt::Key_Return);
    QTest::keyClicks(codeBox(form), QStringLiteral("c"));
    QTest::keyClick(codeBox(form), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(codeBox(form), QStringLiteral("d"));

    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);

    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\rb\r\rc\rd"));
}

void Form2Test::newCodeReplacesEditsAndIsCopiedExactly()
{
    MessageRecorder recorder;
    Form2* form = shownForm2();
    form->setCode(QStringLiteral("first\r"));
    codeBox(form)->setFocus();
    QTest::keyClicks(codeBox(form), QStringLiteral("edit"));

    // A second generation into the same window: its code, and only its code.
    QCOMPARE(forms().form2.get(), form);
    const QString code = QStringLiteral("second\r\nwith a CR LF\nand a LF\r");
    forms().form2.get()->setCode(code);
    QCOMPARE(codeBox(form)->toPlainText(), QStringLiteral("second\nwith a CR LF\nand a LF\n"));

    QTest::mouseClick(button(form, "Command1"), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), code);
}

void Form2Test::scramblerButtonHandsTheHiddenAddressToTheLauncher()
{
    MessageRecorder recorder;
    FakeLauncher launcher(0);
    Form2* form = shownForm2();

    QTest::mouseClick(button(form, "Command3"), Qt::LeftButton);

    QTRY_VERIFY(launcher.isGone());
    QCOMPARE(launcher.arguments(), QStringList{QStringLiteral(QUORVANE_SCRAMBLER_URL)});
    QCOMPARE(recorder.boxes.size(), 0u);
    QVERIFY(form->findChild<QWidget*>(QStringLiteral("txtScrambler"))->isHidden());
}

void Form2Test::closeButtonUnloadsTheWindow()
{
    QPointer<Form2> form = shownForm2();
    form->setCode(QStringLiteral("code\r"));

    QTest::mouseClick(button(form, "Command2"), Qt::LeftButton);

    QVERIFY(!forms().form2.isLoaded());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
}

QTEST_MAIN(Form2Test)
#include "form2_test.moc"
