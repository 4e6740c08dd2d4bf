#include "fakelauncher.h"
#include "fakepaypal.h"
#include "form1.h"
#include "form5.h"
#include "forms.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// The keyring as a map that answers on the next turn of the event loop; with a
// reason in `missing`, there is no keyring.
class FakeStore : public CredentialStore
{
public:
    static inline std::map<Environment, Credentials> entries;
    static inline QString missing;

    void load(Environment environment) override
    {
        QTimer::singleShot(0, this, [this, environment] {
            if (missing.isEmpty()) {
                emit loaded(environment, entries.count(environment) ? entries[environment] : Credentials{});
            } else {
                emit unavailable(missing);
            }
        });
    }
    void save(Environment environment, const Credentials& credentials) override
    {
        entries[environment] = credentials;
    }
    void remove(Environment environment) override { entries.erase(environment); }
};

template <typename T = QWidget> T* control(QWidget* form, const char* name)
{
    return form->findChild<T*>(QLatin1String(name));
}

void click(QWidget* form, const char* name)
{
    QTest::mouseClick(control<QAbstractButton>(form, name), Qt::LeftButton);
}

// The main window with the entries a link needs; a price of `price`.
Form1* mainWindow(const char* price = "34.95")
{
    Form1* form = forms().form1.get();
    control<QLineEdit>(form, "Text1")->setText(QStringLiteral("Oak board"));
    control<QLineEdit>(form, "Text3")->setText(QLatin1String(price));
    control<QLineEdit>(form, "Text4")->setText(QStringLiteral("https://shop.example/thanks"));
    return form;
}

Form5* linkWindow(const char* clientId = nullptr)
{
    Form5* form = forms().form5.get();
    form->bringBack();
    QCoreApplication::processEvents(); // the keyring answers
    if (clientId) {
        control<QLineEdit>(form, "txtClientId")->setText(QLatin1String(clientId));
        control<QLineEdit>(form, "txtSecret")->setText(QStringLiteral("fake-secret"));
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
    void createsALinkOfTheMainWindowsEntries();
    void entriesToFixGoToTheMainWindow();
    void cancelStopsAndEscapeCloses();
};

void Form5Test::init()
{
    FakeStore::entries.clear();
    FakeStore::missing.clear();
    setCredentialStoreMaker([] { return std::make_unique<FakeStore>(); });
}

void Form5Test::cleanup()
{
    forms().form5.unload();
    forms().form1.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setCredentialStoreMaker({});
}

void Form5Test::startsFromTheKeyring_data()
{
    QTest::addColumn<QString>("remembered"); // environments with an entry in the keyring
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing remembered") << ""
                                        << ""
                                        << "Sandbox";
    QTest::newRow("Live only") << "Live"
                               << ""
                               << "Live";
    QTest::newRow("both") << "Live Sandbox"
                          << ""
                          << "Sandbox";
    QTest::newRow("no keyring") << ""
                                << "no Secret Service"
                                << "Sandbox";
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
    QCOMPARE(control<QRadioButton>(form, shown == "Live" ? "optLive" : "optSandbox")->isChecked(), true);
    QCOMPARE(control<QLineEdit>(form, "txtClientId")->text(), remembered.isEmpty() ? "" : "fake-" + shown);
    auto* remember = control<QCheckBox>(form, "chkRemember");
    QCOMPARE(remember->isChecked(), !remembered.isEmpty());
    QCOMPARE(remember->isEnabled(), missing.isEmpty());
    QCOMPARE(remember->toolTip(), missing.isEmpty()
                                      ? QString()
                                      : "No desktop keyring service is available, so the client ID "
                                        "and secret cannot be remembered (no Secret Service).");

    // Every control by the name a screen reader says; the secret only as a password field.
    const std::map<const char*, const char*> names = {{"optLive", "Live"},
                                                      {"optSandbox", "Sandbox"},
                                                      {"txtClientId", "Client ID"},
                                                      {"txtSecret", "Secret"},
                                                      {"chkRemember", "Remember in the desktop keyring"},
                                                      {"cmdCreate", "Create Payment Link"},
                                                      {"cmdCancel", "Cancel"},
                                                      {"txtLink", "Payment link"},
                                                      {"txtPageCode", "Page code"},
                                                      {"cmdCopyLink", "Copy Link"},
                                                      {"cmdCopyCode", "Copy Code"},
                                                      {"cmdOpenLink", "Open Link"},
                                                      {"cmdClose", "Close"}};
    for (const auto& [name, spoken] : names) {
        QCOMPARE(QAccessible::queryAccessibleInterface(control(form, name))->text(QAccessible::Name), spoken);
    }
    control<QLineEdit>(form, "txtSecret")->setText(QStringLiteral("fake-secret"));
    QAccessibleInterface* secret = QAccessible::queryAccessibleInterface(control(form, "txtSecret"));
    QVERIFY(secret->state().passwordEdit);
    QVERIFY(!secret->text(QAccessible::Value).contains(QStringLiteral("fake")));
    QVERIFY(!control(form, "cmdCancel")->isEnabled() && !control(form, "cmdCopyLink")->isEnabled());
    QVERIFY(control<QLineEdit>(form, "txtLink")->isReadOnly() &&
            control<QPlainTextEdit>(form, "txtPageCode")->isReadOnly());
}

void Form5Test::createsALinkOfTheMainWindowsEntries()
{
    BoxRecorder boxes;
    FakePayPal fake;
    FakeLauncher browser(0);
    mainWindow();
    Form5* form = linkWindow("fake-ok");
    click(form, "chkRemember");
    QCOMPARE(FakeStore::entries[Environment::Sandbox].clientId, QStringLiteral("fake-ok"));

    click(form, "cmdCreate");
    QTRY_VERIFY(!control<QLineEdit>(form, "txtLink")->text().isEmpty());
    const QString link = control<QLineEdit>(form, "txtLink")->text();
    QVERIFY(link.startsWith(QStringLiteral("https://www.sandbox.paypal.com/ncp/payment/FAKE")));
    const QString code =
        "<a href=\"" + link +
        "\"><img src=\"https://www.paypal.com/images/x-click-but23.gif\" alt=\"Buy Now with PayPal\" "
        "border=\"0\"></a>";
    QCOMPARE(control<QPlainTextEdit>(form, "txtPageCode")->toPlainText(), code);
    click(form, "cmdCopyLink");
    QCOMPARE(QGuiApplication::clipboard()->text(), link);
    click(form, "cmdCopyCode");
    QCOMPARE(QGuiApplication::clipboard()->text(), code);
    click(form, "cmdOpenLink");
    QTRY_VERIFY(browser.isGone());
    QCOMPARE(browser.arguments(), QStringList{link});
    QCOMPARE(boxes.boxes.size(), 0u);

    // A refusal is one box naming the environment; the link and everything typed stay.
    control<QLineEdit>(form, "txtSecret")->setText(QStringLiteral("fake-wrong"));
    click(form, "cmdCreate");
    QTRY_COMPARE(boxes.boxes.size(), 1u);
    QVERIFY(boxes.boxes[0].text.startsWith(
        "Error: PayPal did not accept this client ID and secret for Sandbox."));
    QCOMPARE(boxes.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(control<QLineEdit>(form, "txtLink")->text(), link);
    QCOMPARE(control<QLineEdit>(form, "txtSecret")->text(), QStringLiteral("fake-wrong"));
    QVERIFY(control(form, "cmdCreate")->isEnabled());
}

void Form5Test::entriesToFixGoToTheMainWindow()
{
    BoxRecorder boxes;
    Form1* main = mainWindow("12,50");
    Form5* form = linkWindow();
    click(form, "cmdCreate");
    QCOMPARE(boxes.boxes.size(), 1u);
    QVERIFY(boxes.boxes[0].text.startsWith(
        "Error: PayPal would refuse this payment link:\nPrice of Item / Service:"));
    QCOMPARE(main->focusWidget(), control(main, "Text3"));

    control<QLineEdit>(main, "Text3")->setText(QStringLiteral("12.50"));
    click(form, "cmdCreate");
    QCOMPARE(boxes.boxes[1].text,
             QStringLiteral("Error: Please enter the client ID and the secret of your PayPal "
                            "Sandbox app."));
    QCOMPARE(form->focusWidget(), control(form, "txtClientId"));

    // The main window closed: it comes back, empty, with the cursor where to start.
    main->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    click(form, "cmdCreate");
    QVERIFY(
        boxes.boxes[2].text.startsWith("Error: Please fill in the item name, the price and the success URL"));
    QVERIFY(forms().form1.isLoaded() && forms().form1.get()->isVisible());
    QCOMPARE(forms().form1.get()->focusWidget(), control(forms().form1.get(), "Text1"));
    QVERIFY(form->isVisible());
}

void Form5Test::cancelStopsAndEscapeCloses()
{
    BoxRecorder boxes;
    FakePayPal fake(2);
    mainWindow();
    Form5* form = linkWindow("fake-slow");
    click(form, "cmdCreate");
    QVERIFY(control(form, "cmdCancel")->isEnabled() && !control(form, "Frame1")->isEnabled());
    QList<QJsonObject> calls;
    QTRY_COMPARE((calls += fake.requests()).size(), 2);
    click(form, "cmdCancel");
    QVERIFY(control(form, "cmdCreate")->isEnabled() && control(form, "Frame1")->isEnabled());
    QTest::qWait(2500);
    QCOMPARE(boxes.boxes.size(), 0u);
    QVERIFY(control<QLineEdit>(form, "txtLink")->text().isEmpty());

    QTest::keyClick(control(form, "txtClientId"), Qt::Key_Escape);
    QVERIFY(!forms().form5.isLoaded());
}

QTEST_MAIN(Form5Test)
#include "form5_test.moc"
