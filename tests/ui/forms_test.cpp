#include "form2.h"
#include "form3.h"
#include "forms.h"

#include <QApplication>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace quorvane;

namespace {

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The skin leaves its mark on a window when that window loads; an unskinned
// window has neither a style sheet nor its own palette.
bool isSkinned(QWidget* window)
{
    return !window->styleSheet().isEmpty() && window->testAttribute(Qt::WA_SetPalette);
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

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
