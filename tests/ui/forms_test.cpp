#include "form1.h"
#include "form2.h"
#include "form3.h"
#include "forms.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QtMath>

using namespace quorvane;

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The skin leaves its mark on a window when that window loads; an unskinned
// window has neither a style of its own nor its own palette.
bool isSkinned(QWidget* window)
{
    return window->testAttribute(Qt::WA_SetStyle) && window->testAttribute(Qt::WA_SetPalette);
}

// What a captioned control shows and the rectangle its text has to fit into.
struct Caption
{
    QString text;
    QRect room;
    bool wraps = false;
};

Caption captionOf(QWidget* control)
{
    const QStyle* style = control->style();
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        // A line edit keeps 2 pixels each side and one for its cursor.
        const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &option, box);
        return {box->text(), contents.adjusted(2, 0, -3, 0)};
    }
    if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
        const int margin = qCeil(box->document()->documentMargin());
        return {box->toPlainText().trimmed(),
                box->viewport()->rect().adjusted(margin, margin, -margin, -margin), true};
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QStyle::SubElement contents = qobject_cast<QPushButton*>(button) ? QStyle::SE_PushButtonContents
                                            : qobject_cast<QRadioButton*>(button)
                                                ? QStyle::SE_RadioButtonContents
                                                : QStyle::SE_CheckBoxContents;
        return {button->text(), style->subElementRect(contents, &option, button)};
    }
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        const QRect label =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        // The title keeps 6 pixels of its tab each side, and the tab stays inside the frame.
        return {frame->title(), label.adjusted(6, 0, -6, 0).intersected(frame->rect())};
    }
    return {};
}

} // namespace

class FormsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void loadsOnFirstUseOnly();
    void loadingTwiceGivesOneWindow();
    void closingUnloadsAndTheNextUseLoadsAFreshSkinnedWindow_data();
    void closingUnloadsAndTheNextUseLoadsAFreshSkinnedWindow();
    void unloadClosesALoadedWindowAndNeverLoadsOne();
    void closingOneWindowLeavesTheOtherAsItWas();
    void closingTheLastWindowEndsTheTool();
    void everyCaptionShowsWhole();
    void windowsAreMadeInTheSkinsFontAndTheToolKeepsTheDesktops();
};

void FormsTest::cleanup()
{
    forms().form2.unload();
    forms().form3.unload();
    flushDeletes();
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
}

void FormsTest::loadsOnFirstUseOnly()
{
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());

    Form2* form2 = forms().form2.get();
    QVERIFY(form2);
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
    QVERIFY(isSkinned(form2));
    QVERIFY(!form2->isVisible()); // loading does not show it

    QVERIFY(isSkinned(forms().form3.get()));
}

void FormsTest::loadingTwiceGivesOneWindow()
{
    Form2* first = forms().form2.get();
    first->setCode(QStringLiteral("first\r"));
    first->show();
    Form2* second = forms().form2.get();
    second->setCode(QStringLiteral("second\r"));
    second->show();

    QCOMPARE(second, first);
    QCOMPARE(first->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(),
             QStringLiteral("second\n"));
    QCOMPARE(forms().form3.get(), forms().form3.get());
    int windows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        windows += qobject_cast<Form2*>(widget) != nullptr;
    }
    QCOMPARE(windows, 1);
}

void FormsTest::closingUnloadsAndTheNextUseLoadsAFreshSkinnedWindow_data()
{
    QTest::addColumn<bool>("byButton");
    QTest::newRow("Close button") << true;
    QTest::newRow("title bar") << false;
}

void FormsTest::closingUnloadsAndTheNextUseLoadsAFreshSkinnedWindow()
{
    QFETCH(bool, byButton);
    QPointer<Form2> old = forms().form2.get();
    old->setCode(QStringLiteral("old code\r"));
    old->show();

    if (byButton) {
        QTest::mouseClick(old->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    } else {
        QVERIFY(old->close());
    }
    QVERIFY(!forms().form2.isLoaded());
    flushDeletes();
    QVERIFY(old.isNull());

    Form2* fresh = forms().form2.get();
    QVERIFY(forms().form2.isLoaded());
    QVERIFY(isSkinned(fresh));
    QCOMPARE(fresh->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(), QString());

    QPointer<Form3> about = forms().form3.get();
    about->show();
    QVERIFY(about->close());
    flushDeletes();
    QVERIFY(about.isNull());
    QVERIFY(isSkinned(forms().form3.get()));
}

void FormsTest::unloadClosesALoadedWindowAndNeverLoadsOne()
{
    forms().form2.unload();
    QVERIFY(!forms().form2.isLoaded());

    QPointer<Form3> about = forms().form3.get();
    about->show();
    forms().form3.unload();
    QVERIFY(!forms().form3.isLoaded());
    flushDeletes();
    QVERIFY(about.isNull());
}

void FormsTest::closingOneWindowLeavesTheOtherAsItWas()
{
    Form2* code = forms().form2.get();
    code->setCode(QStringLiteral("kept\r"));
    code->show();
    forms().form3.get()->show();

    forms().form3.get()->close();
    flushDeletes();

    QVERIFY(forms().form2.isLoaded());
    QCOMPARE(forms().form2.get(), code);
    QVERIFY(code->isVisible());
    QCOMPARE(code->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText(),
             QStringLiteral("kept\n"));
}

void FormsTest::closingTheLastWindowEndsTheTool()
{
    forms().form2.get()->show();
    forms().form3.get()->show();
    bool secondStillLoaded = false;
    QTimer::singleShot(0, [&secondStillLoaded] {
        forms().form2.get()->close();
        secondStillLoaded = forms().form3.isLoaded();
        QTimer::singleShot(0, [] { forms().form3.get()->close(); });
    });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    giveUp.start(5000);

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(secondStillLoaded);
    QVERIFY(!forms().form2.isLoaded());
    QVERIFY(!forms().form3.isLoaded());
}

void FormsTest::everyCaptionShowsWhole()
{
    int captions = 0;
    for (QWidget* window :
         {static_cast<QWidget*>(forms().form1.get()), static_cast<QWidget*>(forms().form2.get()),
          static_cast<QWidget*>(forms().form3.get())}) {
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const Caption caption = captionOf(control);
            if (caption.text.isEmpty() || !control->isVisibleTo(window)) {
                continue;
            }
            ++captions;
            const QString name = window->objectName() + QLatin1Char('.') + control->objectName();
            // Only the face the package depends on, and never smaller than 7 points. The main
            // window's captions fit in its 8-point face, set closer where need be, so that no
            // second size of the face is loaded at start; closer by a sixteenth at most.
            QCOMPARE(QFontInfo(control->font()).family(), QStringLiteral("Liberation Sans"));
            QVERIFY2(control->font().pointSizeF() >= 7.0, qPrintable(name));
            QVERIFY2(window != forms().form1.get() || control->font().pointSizeF() == 8.0, qPrintable(name));
            QFont apart = control->font();
            apart.setLetterSpacing(QFont::AbsoluteSpacing, 0.0);
            const qreal closer = -control->font().letterSpacing() * caption.text.size();
            QVERIFY2(closer <= QFontMetrics(apart, control).horizontalAdvance(caption.text) / 16.0 +
                                   caption.text.size() / 8.0,
                     qPrintable(name));
            const QFontMetrics metrics = control->fontMetrics();
            const QRect text = caption.wraps
                                   ? metrics.boundingRect(caption.room, Qt::TextWordWrap, caption.text)
                                   : QRect(0, 0, metrics.horizontalAdvance(caption.text), metrics.height());
            qInfo("%s at %.1f pt: %d px to spare", qPrintable(name), control->font().pointSizeF(),
                  caption.wraps ? caption.room.height() - text.height()
                                : caption.room.width() - text.width());
            QVERIFY2(text.width() <= caption.room.width(), qPrintable(name));
            QVERIFY2(text.height() <= caption.room.height(), qPrintable(name));
        }
    }
    // Every caption box, check box, option button, frame title and button of the
    // three windows.
    QCOMPARE(captions, 32);
    forms().form1.unload();
    flushDeletes();
}

void FormsTest::windowsAreMadeInTheSkinsFontAndTheToolKeepsTheDesktops()
{
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    {
        const SkinFontScope makingWindows;
        QCOMPARE(QFontInfo(QGuiApplication::font()).family(), QStringLiteral("Liberation Sans"));
    }
    QCOMPARE(QGuiApplication::font(), desktop);
    forms().form2.get()->show();
    // Message boxes and menus keep the desktop's font, and follow it when it changes.
    QCOMPARE(QGuiApplication::font(), desktop);
    QGuiApplication::setFont(QFont(QStringLiteral("Liberation Serif"), 15));
    QEvent themeChange(QEvent::ThemeChange);
    QCoreApplication::sendEvent(forms().form2.get()->windowHandle(), &themeChange);
    QCOMPARE(QGuiApplication::font(), desktop);
}

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
