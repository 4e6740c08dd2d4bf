#include "answers.h"
#include "checks.h"
#include "fakepaypal.h"
#include "linkrequest.h"
#include "paypalclient.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace quorvane;
using namespace std::chrono_literals;

namespace {

const QString Unreadable =
    QStringLiteral("Error: PayPal's answer could not be read, so there is no link to show.");
const QString SandboxRefused = QStringLiteral(
    "Error: PayPal did not accept this client ID and secret for Sandbox. Copy both from an app of the Sandbox tab in "
    "Apps & Credentials of the PayPal developer dashboard: Live and Sandbox apps have different credentials.");
const QString NotAllowed = QStringLiteral(
    "Error: PayPal does not let this app create payment links. In the PayPal developer dashboard, open the app in "
    "Apps & Credentials and enable Payment Links and Buttons, then try again.");
const QString Refused422 = QStringLiteral(
    "Error: PayPal refused to create the link:\nPrice of Item / Service: DECIMAL_PRECISION (The value of the field "
    "should not have more than 2 decimal places.)\nItem Name / Service: INVALID_STRING_LENGTH\n/reusable: "
    "INVALID_PARAMETER_VALUE (Not allowed.)");
const QString ServerError =
    QStringLiteral("Error: PayPal's server had a problem (HTTP status 500), also when asked "
                   "a second time, and did not create the link. Try again in a few minutes.");
const QByteArray Details422 = R"({"name":"UNPROCESSABLE_ENTITY","details":[
    {"field":"/line_items/0/unit_amount/value","issue":"DECIMAL_PRECISION","description":"The value of the field should not have more than 2 decimal places."},
    {"field":"line_items[0].name","issue":"INVALID_STRING_LENGTH"},
    {"field":"/reusable","issue":"INVALID_PARAMETER_VALUE","description":"Not allowed."}]})";

ButtonRequest entries(const std::function<void(ButtonRequest&)>& change = {})
{
    ButtonRequest r;
    r.ItemName = "Oak board";
    r.Amount = "34.95";
    r.ReturnUrl = "https://shop.example/thanks";
    r.UsePresetImage = true;
    r.ChosenImage = 1;
    if (change) {
        change(r);
    }
    return r;
}

// The whole body, or only its line item, or the fix: "fix <entry> <title>: <text>".
QString built(const ButtonRequest& r, bool itemOnly = true)
{
    const auto body = linkRequestBody(r);
    if (const auto* fix = std::get_if<EntryFix>(&body)) {
        return QStringLiteral("fix %1 %2: %3")
            .arg(int(fix->entry))
            .arg(QString::fromStdString(fix->title), QString::fromStdString(fix->text));
    }
    const QJsonObject item = QJsonDocument::fromJson(std::get<QByteArray>(body))["line_items"][0].toObject();
    return itemOnly ? QString::fromUtf8(QJsonDocument(item).toJson(QJsonDocument::Compact))
                    : QString::fromUtf8(std::get<QByteArray>(body));
}

QString token(int status, const QByteArray& body, Environment environment = Environment::Sandbox)
{
    const auto answer = readTokenAnswer(status, body, environment);
    const auto* got = std::get_if<Token>(&answer);
    return got ? QStringLiteral("%1 for %2 s").arg(got->accessToken).arg(got->expiresIn.count())
               : std::get<QString>(answer);
}

QString created(int status, const QByteArray& body)
{
    const CreateAnswer answer = readCreateAnswer(status, body, Environment::Sandbox);
    return answer.link.isEmpty() ? answer.failure : QStringLiteral("link ") + answer.link;
}

QString linkAnswer(const char* link)
{
    return created(201, QByteArray(R"({"id":"PLB-X","payment_link":")") + link + R"("})");
}

QString override(const char* value)
{
    const auto url = loopbackOverride(QString::fromLatin1(value));
    return url ? url->toString() : QStringLiteral("ignored");
}

} // namespace

class PayPalApiTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_fake = std::make_unique<testing::FakePayPal>(2); }
    void cleanupTestCase() { m_fake.reset(); }
    void table_data();
    void table();
    void againstFake_data();
    void againstFake();
    void tokenIsKeptUntilAMinuteBeforeItExpires();
    void cancelStopsAtOnce();

private:
    std::unique_ptr<testing::FakePayPal> m_fake;
};

// Request building, answer reading and the wording of every box, one row each.
void PayPalApiTest::table_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QString& actual, const QString& expected) {
        QTest::newRow(name) << actual << expected;
    };
    row("whole body", built(entries(), false),
        R"({"integration_mode":"LINK","line_items":[{"collect_shipping_address":false,"name":"Oak board","unit_amount":{"currency_code":"USD","value":"34.95"}}],"return_url":"https://shop.example/thanks","reusable":"MULTIPLE","type":"BUY_NOW"})");
    row("every option; account, cancelled URL, quantity not carried", built(entries([](ButtonRequest& r) {
            r.ItemNumber = "OAK-1", r.Amount = "12.5 eur", r.NoteTitle = "Engraving", r.Account = "x";
            r.CollectShipping = r.AllowQuantity = r.AllowNote = CheckBoxState::Ticked;
        })),
        R"({"collect_shipping_address":true,"customer_notes":[{"label":"Engraving","required":false}],"name":"Oak board","product_id":"OAK-1","unit_amount":{"currency_code":"EUR","value":"12.5"}})");
    row("note without title, greyed box, text as typed", built(entries([](ButtonRequest& r) {
            r.ItemName = " Čaj 茶 \"x\" ", r.Amount = "JPY 1500", r.AllowNote = CheckBoxState::Ticked;
            r.CollectShipping = CheckBoxState::Greyed;
        })),
        R"({"collect_shipping_address":false,"customer_notes":[{"required":false}],"name":" Čaj 茶 \"x\" ","unit_amount":{"currency_code":"JPY","value":"1500"}})");
    const QString incomplete =
        QStringLiteral("Error: %1").arg(QString::fromUtf8(LinkIncompleteText.data() + 7));
    row("empty item name", built(entries([](ButtonRequest& r) { r.ItemName.clear(); })),
        "fix 1 Error: " + incomplete);
    row("empty success URL", built(entries([](ButtonRequest& r) { r.ReturnUrl.clear(); })),
        "fix 4 Error: " + incomplete);
    row("own image chosen, empty",
        built(entries([](ButtonRequest& r) { r.UseOwnImage = true, r.OwnImageUrl.clear(); })),
        "fix 6 Error: " + incomplete);
    row("own image not chosen, empty", built(entries([](ButtonRequest& r) { r.OwnImageUrl.clear(); })),
        R"({"collect_shipping_address":false,"name":"Oak board","unit_amount":{"currency_code":"USD","value":"34.95"}})");
    row("refused entries, in the window's order", built(entries([](ButtonRequest& r) {
            r.ItemNumber = std::string(128, 'n'), r.Amount = "12,50", r.ReturnUrl = "shop.example";
        })),
        "fix 2 Error: Error: PayPal would refuse this payment link:\nItem ID / Number: write at most 127 characters\n" +
            QString::fromUtf8(AmountMessage.data()) + "\n" + QString::fromUtf8(ReturnUrlMessage.data()));
    row("page code escaped",
        pageCode("https://www.paypal.com/ncp/payment/X?a=1&b=2", "https://s.example/\"b\"<.png"),
        R"(<a href="https://www.paypal.com/ncp/payment/X?a=1&amp;b=2"><img src="https://s.example/&quot;b&quot;&lt;.png" alt="Buy Now with PayPal" border="0"></a>)");
    row("preset picture", pictureAddress(entries([](ButtonRequest& r) { r.ChosenImage = 5; })),
        "https://www.paypal.com/images/x-click-but5.gif");
    row("own picture",
        pictureAddress(entries([](ButtonRequest& r) { r.UsePresetImage = false, r.OwnImageUrl = "b.png"; })),
        "b.png");
    row("token", token(200, R"({"access_token":"A21","token_type":"Bearer","expires_in":32400})"),
        "A21 for 32400 s");
    row("token without expiry", token(200, R"({"access_token":"A21"})"), Unreadable);
    row("token not JSON", token(200, "<html>"), Unreadable);
    row("token refused, Live", token(401, R"({"error":"invalid_client"})", Environment::Live),
        QString(SandboxRefused).replace("Sandbox tab", "Live tab").replace("for Sandbox", "for Live"));
    row("token server error", token(503, ""), QString(ServerError).replace("500", "503"));
    row("link", linkAnswer("https://www.paypal.com/ncp/payment/F3YMU"),
        "link https://www.paypal.com/ncp/payment/F3YMU");
    row("link on paypal.com", created(200, R"({"payment_link":"https://paypal.com/x"})"),
        "link https://paypal.com/x");
    row("link over http", linkAnswer("http://www.paypal.com/ncp/payment/F3YMU"), Unreadable);
    row("link on a look-alike host", linkAnswer("https://www.paypal.com.evil.example/x"), Unreadable);
    row("link on another domain", linkAnswer("https://evilpaypal.com/x"), Unreadable);
    row("link with user info", linkAnswer("https://www.paypal.com@evil.example/x"), Unreadable);
    row("no link", created(201, R"({"id":"PLB-X"})"), Unreadable);
    row("created, not JSON", created(201, "<html>"), Unreadable);
    row("401", created(401, R"({"name":"AUTHENTICATION_FAILURE"})"), SandboxRefused);
    row("403", created(403, R"({"name":"NOT_AUTHORIZED"})"), NotAllowed);
    row("422, one line per detail", created(422, Details422), Refused422);
    row("400, a message only",
        created(400, R"({"name":"INVALID_REQUEST","message":"Request is not well-formed."})"),
        "Error: PayPal refused to create the link: Request is not well-formed.");
    row("400, nothing to read", created(400, ""),
        "Error: PayPal refused to create the link: no reason given.");
    row("500", created(500, ""), ServerError);
    row("404", created(404, ""), "Error: PayPal answered with HTTP status 404 and did not create the link.");
    row("name not found", transportFailureText(QNetworkReply::HostNotFoundError, "api-m.paypal.com", "x"),
        "Error: The address of PayPal's server, api-m.paypal.com, could not be found. Check the Internet connection "
        "and try again.");
    row("TLS",
        transportFailureText(QNetworkReply::SslHandshakeFailedError, "api-m.paypal.com", "self-signed"),
        "Error: The connection to PayPal's server, api-m.paypal.com, could not be verified as secure, so nothing was "
        "sent (self-signed).");
    row("no network",
        transportFailureText(QNetworkReply::NetworkSessionFailedError, "h", "Network unreachable"),
        "Error: PayPal's server, h, could not be reached (Network unreachable). Check the Internet connection and "
        "try again.");
    row("timeout", timeoutText("api-m.paypal.com", 30s),
        "Error: PayPal's server, api-m.paypal.com, did not answer within 30 seconds, also when asked a second time. "
        "Try again later.");
    row("loopback address", override("http://127.0.0.1:8080/"), "http://127.0.0.1:8080");
    row("loopback IPv6", override("http://[::1]:9"), "http://[::1]:9");
    row("localhost", override("https://LOCALHOST:1"), "https://localhost:1");
    row("another host", override("http://10.0.0.1:80"), "ignored");
    row("look-alike host", override("http://127.0.0.1.evil.example:80"), "ignored");
    row("user info", override("http://user@127.0.0.1:1"), "ignored");
    row("path", override("http://127.0.0.1:1/v1"), "ignored");
    row("PayPal", override("https://api-m.paypal.com"), "ignored");
}

void PayPalApiTest::table()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

// A whole Create against the fake: its answer, and how many token and create calls it took.
void PayPalApiTest::againstFake_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<int>("tokenCalls");
    QTest::addColumn<int>("createCalls");
    QTest::newRow("link") << "fake-ok"
                          << "fake-secret"
                          << "link" << 1 << 1;
    QTest::newRow("wrong secret") << "fake-ok"
                                  << "wrong" << SandboxRefused << 1 << 0;
    QTest::newRow("403") << "fake-403"
                         << "fake-secret" << NotAllowed << 1 << 1;
    QTest::newRow("422") << "fake-422"
                         << "fake-secret" << Refused422 << 1 << 1;
    QTest::newRow("500, then the link on the retry") << "fake-500"
                                                     << "fake-secret"
                                                     << "link" << 1 << 2;
    QTest::newRow("500 twice") << "fake-500x2"
                               << "fake-secret" << ServerError << 1 << 2;
    QTest::newRow("too slow twice") << "fake-slow"
                                    << "fake-secret" << timeoutText("127.0.0.1", 700ms) << 1 << 2;
    QTest::newRow("garbled") << "fake-garbled"
                             << "fake-secret" << Unreadable << 1 << 1;
    QTest::newRow("http link") << "fake-http-link"
                               << "fake-secret" << Unreadable << 1 << 1;
}

void PayPalApiTest::againstFake()
{
    QFETCH(QString, client);
    QFETCH(QString, secret);
    QFETCH(QString, outcome);
    m_fake->requests();
    TokenCache tokens;
    PayPalClient paypal(tokens);
    paypal.setTiming({700ms, 50ms});
    QSignalSpy links(&paypal, &PayPalClient::linkCreated);
    QSignalSpy failures(&paypal, &PayPalClient::failed);

    paypal.createLink(Environment::Sandbox, client, secret, std::get<QByteArray>(linkRequestBody(entries())));
    QVERIFY(paypal.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(links.count() + failures.count(), 1, 10000);
    QVERIFY(!paypal.isBusy());
    const QString got = links.isEmpty() ? failures[0][0].toString() : links[0][0].toString();
    QCOMPARE(got.startsWith("https://www.sandbox.paypal.com/ncp/payment/FAKE") ? "link" : got, outcome);

    QStringList ids;
    int tokenCalls = 0;
    for (const QJsonObject& call : m_fake->requests()) {
        QCOMPARE(call["problems"].toArray(), QJsonArray());
        QCOMPARE(call["client"].toString(), client);
        call["path"] == "/v1/oauth2/token" ? ++tokenCalls : (ids << call["request_id"].toString(), 0);
    }
    QTEST(tokenCalls, "tokenCalls");
    QTEST(int(ids.size()), "createCalls");
    QCOMPARE(ids.size() > 0 ? ids.count(ids.value(0)) : 0, ids.size()); // the retry keeps the request id
}

void PayPalApiTest::tokenIsKeptUntilAMinuteBeforeItExpires()
{
    m_fake->requests();
    auto now = std::chrono::steady_clock::now();
    TokenCache tokens([&now] { return now; });
    PayPalClient paypal(tokens);
    QSignalSpy links(&paypal, &PayPalClient::linkCreated);
    const QByteArray body = std::get<QByteArray>(linkRequestBody(entries()));
    const auto tokenCallsFor = [&](Environment environment, const char* client) {
        paypal.createLink(environment, client, "fake-secret", body);
        const int before = links.count();
        [&] { QTRY_COMPARE(links.count(), before + 1); }();
        int calls = 0;
        for (const QJsonObject& call : m_fake->requests()) {
            calls += call["path"] == "/v1/oauth2/token";
        }
        return calls;
    };
    QCOMPARE(tokenCallsFor(Environment::Sandbox, "fake-ok"), 1);
    now += 32400s - 61s;
    QCOMPARE(tokenCallsFor(Environment::Sandbox, "fake-ok"), 0);
    QCOMPARE(tokenCallsFor(Environment::Live, "fake-ok"), 1);
    now += 2s;
    QCOMPARE(tokenCallsFor(Environment::Sandbox, "fake-ok"), 1);
    QCOMPARE(tokenCallsFor(Environment::Sandbox, "fake-other"), 1);
}

void PayPalApiTest::cancelStopsAtOnce()
{
    m_fake->requests();
    TokenCache tokens;
    PayPalClient paypal(tokens);
    QSignalSpy links(&paypal, &PayPalClient::linkCreated);
    QSignalSpy failures(&paypal, &PayPalClient::failed);
    paypal.createLink(Environment::Sandbox, "fake-slow", "fake-secret",
                      std::get<QByteArray>(linkRequestBody(entries())));
    QList<QJsonObject> calls;
    QTRY_COMPARE((calls += m_fake->requests()).size(), 2); // the create call is under way
    paypal.cancel();
    QVERIFY(!paypal.isBusy());
    QTest::qWait(2500);
    QCOMPARE(links.count() + failures.count(), 0);
}

QTEST_GUILESS_MAIN(PayPalApiTest)
#include "paypalapi_test.moc"
