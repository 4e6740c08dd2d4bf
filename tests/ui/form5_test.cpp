#include "fakelauncher.h"
#include "fakepaypal.h"
#include "fakestore.h"
#include "form1.h"
#include "form5.h"
#include "form7.h"
#include "forms.h"
#include "networkforms.h"
#include "windows.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QString text(QWidget* form, const char* name)
{
    return form->findChild<QLineEdit*>(QLatin1String(name))->text();
}

void type(QWidget* form, const char* name, const char* typed)
{
    form->findChild<QLineEdit*>(QLatin1String(name))->setText(QLatin1String(typed));
}

// The main window with the entries a link needs, and `price`.
Form1* mainWindow(const char* price = "34.95")
{
    Form1* form = forms().form1.get();
    type(form, "Text1", "Oak board");
    type(form, "Text3", price);
    type(form, "Text4", "https://shop.example/thanks");
    return form;
}

Form5* linkWindow(const char* clientId = "")
{
    Form5* form = networkForms().form5.get();
    form->bringBack();
    QCoreApplication::processEvents(); // the keyring answers
    if (*clientId) {
        type(form, "txtClientId", clientId);
        type(form, "txtSecret", "fake-secret");
    }
    return form;
}

} // namespace

class Form5Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsFromTheKeyring_data();
    void startsFromTheKeyring();
    void createsCancelsAndCloses();
    void entriesToFixGoToTheMainWindow();
};

void Form5Test::init()
{
    FakeStore::install();
}

void Form5Test::cleanup()
{
    networkForms().form5.unload();
    forms().form1.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setCredentialStoreMaker({});
}

void Form5Test::startsFromTheKeyring_data()
{
    QTest::addColumn<QString>("remembered"); // the environments with credentials in the keyring
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("shown");
    const auto row = [](const char* name, const char* remembered, const char* missing, const char* shown) {
        QTest::newRow(name) << remembered << missing << shown;
    };
    row("Live only", "Live", "", "Live");
    row("both", "Live Sandbox", "", "Sandbox");
    row("no keyring", "", "no Secret Service", "Sandbox");
}

void Form5Test::startsFromTheKeyring()
{
    QFETCH(QString, remembered);
    QFETCH(QString, missing);
    QFETCH(QString, shown);
    for (Environment environment : {Environment::Live, Environment::Sandbox}) {
        if (remembered.contains(environmentName(environment))) {
            FakeStore::entries[environment] = {"fake-" + environmentName(environment), "fake-secret"};
        }
    }
    FakeStore::missing = missing;
    Form5* form = linkWindow();
    QCOMPARE(form->windowTitle(), QStringLiteral("PayPal Payment Link"));
    QVERIFY(form->findChild<QRadioButton*>("opt" + shown)->isChecked());
    QCOMPARE(text(form, "txtClientId"), remembered.isEmpty() ? "" : "fake-" + shown);
    auto* remember = form->findChild<QAbstractButton*>("chkRemember");
    QCOMPARE(remember->isChecked(), !remembered.isEmpty());
    QCOMPARE(remember->isEnabled(), missing.isEmpty());
    QCOMPARE(remember->toolTip(), missing.isEmpty() ? ""
                                                    : "No desktop keyring service is available, so the "
                                                      "client ID and secret cannot be remembered (" +
                                                          missing + ").");

    // Every control by the name a screen reader says; the secret only as a password field.
    QStringList spoken;
    for (const char* name :
         {"optLive", "optSandbox", "txtClientId", "txtSecret", "chkRemember", "cmdCreate", "cmdCancel",
          "txtLink", "txtPageCode", "cmdCopyLink", "cmdCopyCode", "cmdOpenLink", "cmdClose"}) {
        spoken
            << QAccessible::queryAccessibleInterface(control<QWidget>(form, name))->text(QAccessible::Name);
    }
    QCOMPARE(spoken.join(','),
             "Live,Sandbox,Client ID,Secret,Remember in the desktop keyring,Create Payment Link,"
             "Cancel,Payment link,Page code,Copy Link,Copy Code,Open Link,Close");
    type(form, "txtSecret", "fake-secret");
    QAccessibleInterface* secret = QAccessible::queryAccessibleInterface(control<QWidget>(form, "txtSecret"));
    QVERIFY(secret->state().passwordEdit && !secret->text(QAccessible::Value).contains("fake"));
}

void Form5Test::createsCancelsAndCloses()
{
    MessageRecorder boxes;
    FakePayPal fake(2);
    FakeLauncher browser(0);
    mainWindow();
    Form5* form = linkWindow("fake-ok");
    click(form, "chkRemember");
    QCOMPARE(FakeStore::entries[Environment::Sandbox].clientId, QStringLiteral("fake-ok"));

    click(form, "cmdCreate");
    QTRY_VERIFY(!text(form, "txtLink").isEmpty());
    const QString link = text(form, "txtLink");
    QVERIFY(link.startsWith("https://www.sandbox.paypal.com/ncp/payment/FAKE"));
    const QString code = "<a href=\"" + link +
                         "\"><img src=\"https://www.paypal.com/images/x-click-but23.gif\" "
                         "alt=\"Buy Now with PayPal\" border=\"0\"></a>";
    QCOMPARE(form->findChild<QPlainTextEdit*>("txtPageCode")->toPlainText(), code);
    click(form, "cmdOpenLink");
    QTRY_VERIFY(browser.isGone());
    QCOMPARE(browser.arguments(), QStringList{link});
    QCOMPARE(boxes.boxes.size(), 0u);
    click(form, "cmdQrCode");
    QCOMPARE(control<QLineEdit>(networkForms().form7.get(), "txtLink")->text(), link);
    QCOMPARE(control<QLabel>(networkForms().form7.get(), "lblItem")->text(), QStringLiteral("Oak board"));
    networkForms().form7.unload();

    // A refusal is one box naming the environment; the link and its code go, everything typed stays.
    type(form, "txtSecret", "fake-wrong");
    click(form, "cmdCreate");
    QTRY_COMPARE(boxes.boxes.size(), 1u);
    QVERIFY(boxes.boxes[0].text.startsWith(
        "Error: PayPal did not accept this client ID and secret for Sandbox."));
    QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(text(form, "txtLink") + text(form, "txtSecret"), "fake-wrong");
    QVERIFY(control<QPlainTextEdit>(form, "txtPageCode")->toPlainText().isEmpty() &&
            !control<QWidget>(form, "cmdCopyCode")->isEnabled());

    // Cancel while PayPal takes its time: at once, and nothing is heard of it later.
    type(form, "txtClientId", "fake-slow");
    type(form, "txtSecret", "fake-secret");
    click(form, "cmdCreate");
    QVERIFY(control<QWidget>(form, "cmdCancel")->isEnabled() &&
            !control<QWidget>(form, "Frame1")->isEnabled());
    QList<QJsonObject> calls;
    QTRY_VERIFY((calls += fake.requests()).size() >= 5); // this Create's call is under way
    click(form, "cmdCancel");
    QVERIFY(control<QWidget>(form, "cmdCreate")->isEnabled() &&
            control<QWidget>(form, "Frame1")->isEnabled());
    QTest::qWait(2500);
    QCOMPARE(boxes.boxes.size(), 1u);
    QCOMPARE(text(form, "txtLink"), QString());
    QTest::keyClick(control<QWidget>(form, "txtClientId"), Qt::Key_Escape);
    QVERIFY(!networkForms().form5.isLoaded());
}

void Form5Test::entriesToFixGoToTheMainWindow()
{
    MessageRecorder boxes;
    Form1* main = mainWindow("12,50");
    Form5* form = linkWindow();
    click(form, "cmdCreate");
    QVERIFY(
        boxes.boxes.at(0).text.startsWith("Error: PayPal would refuse this payment link:\nPrice of Item"));
    QCOMPARE(main->focusWidget(), control<QWidget>(main, "Text3"));

    // The main window closed: it comes back, empty, with the cursor where to start.
    main->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(form, "cmdCreate");
    QVERIFY(boxes.boxes.at(1).text.startsWith(
        "Error: Please fill in the item name, the price and the success URL"));
    QVERIFY(forms().form1.isLoaded() && forms().form1.get()->isVisible() && form->isVisible());
    QCOMPARE(forms().form1.get()->focusWidget(), control<QWidget>(forms().form1.get(), "Text1"));
}

QTEST_MAIN(Form5Test)
#include "form5_test.moc"
