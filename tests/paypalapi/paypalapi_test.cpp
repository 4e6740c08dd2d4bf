#include "answers.h"
#include "checks.h"
#include "credentialstore.h"
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

const QString Unreadable = "Error: PayPal's answer could not be read, so there is no link to show.";
const QString SandboxRefused =
    "Error: PayPal did not accept this client ID and secret for Sandbox. Copy both from an "
    "app of the Sandbox tab in Apps & Credentials of the PayPal developer dashboard: Live "
    "and Sandbox apps have different credentials.";
const QString Incomplete =
    "fix %1 Error: Error: Please fill in the item name, the price and the success URL (and the "
    "address of your own image, when you use one) before making a payment link";

// Complete entries for a link, changed by `change`.
ButtonRequest entries(const std::function<void(ButtonRequest&)>& change = [](ButtonRequest&) {})
{
    ButtonRequest r;
    r.ItemName = "Oak board", r.Amount = "34.95", r.ReturnUrl = "https://shop.example/thanks";
    r.UsePresetImage = true, r.ChosenImage = 1;
    change(r);
    return r;
}

// The line item of the body (the whole body when asked), or "fix <entry> <title>: <text>".
QString built(const ButtonRequest& r, bool whole = false)
{
    const auto body = linkRequestBody(r);
    if (const auto* fix = std::get_if<EntryFix>(&body)) {
        return QString("fix %1 %2: %3").arg(int(fix->entry)).arg(fix->title.c_str(), fix->text.c_str());
    }
    const QJsonDocument json = QJsonDocument::fromJson(std::get<QByteArray>(body));
    return whole ? json.toJson(QJsonDocument::Compact)
                 : QJsonDocument(json["line_items"][0].toObject()).toJson(QJsonDocument::Compact);
}

// The token, the link or the text of the box for an answer to the token or the create call.
QString answer(int status, const QByteArray& body, bool token = false,
               Environment environment = Environment::Sandbox)
{
    const auto got = readTokenAnswer(status, body, environment, Call::Create);
    const CreateAnswer link = readCreateAnswer(status, body, environment);
    return !token ? (link.link.isEmpty() ? link.failure : "link " + link.link)
           : std::holds_alternative<QString>(got)
               ? std::get<QString>(got)
               : std::get<Token>(got).accessToken + " for " +
                     QString::number(std::get<Token>(got).expiresIn.count()) + " s";
}

// The token kept for Sandbox, "id" and "fake-secret", looked up `later`.
QString kept(std::chrono::seconds later, Environment environment, const char* secret)
{
    auto now = std::chrono::steady_clock::time_point();
    TokenCache cache([&now] { return now; });
    cache.store(Environment::Sandbox, "id", "fake-secret", {"T", 32400s});
    now += later;
    return cache.find(environment, "id", secret).value_or("-");
}

// List answers read in turn: a line per link and the next page's token, or the text of the box.
QString listed(const QList<QByteArray>& bodies, int status = 200)
{
    LinkListReader reader(Environment::Sandbox);
    QString got;
    for (const QByteArray& body : bodies) {
        const LinksPage page = reader.read(status, body);
        for (const PaymentLink& l : page.links) {
            got += QString("%1|%2|%3|%4 %5|%6|%7|%8\n")
                       .arg(l.id, l.itemName, l.itemId, l.price, l.currency, l.status,
                            l.created.toString(Qt::ISODate), l.link);
        }
        got += page.failure.isEmpty() ? "next " + page.nextPageToken + "\n" : page.failure;
    }
    return got;
}

// A list answer of one link with `fields`, and a next link with `token`.
QByteArray page(const char* fields, const QString& token = "")
{
    return QString(
               R"({"resources":[{"id":"PLB-A1","payment_link":"https://www.paypal.com/ncp/payment/A1"%1}],)"
               R"("links":[{"rel":"next","href":"https://api-m.paypal.com/v1/x?page_token=%2"}]})")
        .arg(fields, token)
        .remove(R"({"rel":"next","href":"https://api-m.paypal.com/v1/x?page_token="})")
        .toUtf8();
}

QString override(const char* value)
{
    const auto url = loopbackOverride(value);
    return url ? url->toString() : "ignored";
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
    void links();
    void keyring();

private:
    QList<QJsonObject> createLink(PayPalClient& paypal, Environment environment, const QString& client,
                                  const QString& secret = "fake-secret");
    std::unique_ptr<testing::FakePayPal> m_fake;
    TokenCache m_tokens;
};

// Request building, answer reading and the wording of every box, one row each.
void PayPalApiTest::table_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char* name, const QString& actual, const QString& expected) {
        QTest::newRow(name) << actual << expected;
    };
    row("whole body", built(entries(), true),
        R"({"integration_mode":"LINK","line_items":[{"collect_shipping_address":false,"name":"Oak board","unit_amount":{"currency_code":"USD","value":"34.95"}}],"return_url":"https://shop.example/thanks","reusable":"MULTIPLE","type":"BUY_NOW"})");
    row("every option; account, cancelled URL, quantity not carried", built(entries([](ButtonRequest& r) {
            r.ItemNumber = "OAK-1", r.Amount = "12.5 eur", r.NoteTitle = "Engraving", r.Account = "x";
            r.CollectShipping = r.AllowQuantity = r.AllowNote = CheckBoxState::Ticked;
        })),
        R"({"collect_shipping_address":true,"customer_notes":[{"label":"Engraving","required":false}],"name":"Oak board","product_id":"OAK-1","unit_amount":{"currency_code":"EUR","value":"12.5"}})");
    row("note without title, greyed box, text as typed", built(entries([](ButtonRequest& r) {
            r.ItemName = " Čaj 茶 \"x\" ", r.Amount = "JPY 1500", r.AllowNote = CheckBoxState::Ticked;
            r.CollectShipping = CheckBoxState::Greyed, r.OwnImageUrl.clear();
        })),
        R"({"collect_shipping_address":false,"customer_notes":[{"required":false}],"name":" Čaj 茶 \"x\" ","unit_amount":{"currency_code":"JPY","value":"1500"}})");
    row("empty item name", built(entries([](ButtonRequest& r) { r.ItemName.clear(); })), Incomplete.arg(1));
    row("own image chosen, empty", built(entries([](ButtonRequest& r) { r.UseOwnImage = true; })),
        Incomplete.arg(6));
    row("refused entries, in the window's order", built(entries([](ButtonRequest& r) {
            r.ItemNumber = std::string(128, 'n'), r.Amount = "12,50", r.ReturnUrl = "shop.example";
        })),
        "fix 2 Error: Error: PayPal would refuse this payment link:\nItem ID / Number: write at most 127 characters\n" +
            QString(AmountMessage.data()) + "\n" + QString(ReturnUrlMessage.data()));
    row("page code escaped",
        pageCode("https://www.paypal.com/ncp/payment/X?a=1&b=2", "https://s.example/\"b\"<.png"),
        R"(<a href="https://www.paypal.com/ncp/payment/X?a=1&amp;b=2"><img src="https://s.example/&quot;b&quot;&lt;.png" alt="Buy Now with PayPal" border="0"></a>)");
    row("token", answer(200, R"({"access_token":"A21","token_type":"Bearer","expires_in":32400})", true),
        "A21 for 32400 s");
    row("tokens of RFC 6750's characters only; lives of 1e10 s and 2^63-1 s taken as nine hours",
        answer(200, R"({"access_token":"A-._~+/9==","expires_in":1e10})", true) + "|" +
            answer(200, R"({"access_token":"A","expires_in":9223372036854775807})", true) + "|" +
            answer(200, R"({"access_token":"A\r\nX-Injected: yes","expires_in":9})", true) +
            answer(200, R"({"access_token":"A=B","expires_in":9})", true) +
            answer(200, R"({"access_token":"A","expires_in":-1})", true),
        "A-._~+/9== for 32400 s|A for 32400 s|" + Unreadable.repeated(3));
    row("token refused, Live", answer(401, R"({"error":"invalid_client"})", true, Environment::Live),
        QString(SandboxRefused).replace("Sandbox tab", "Live tab").replace("for Sandbox", "for Live"));
    row("token kept until a minute before it expires, per environment and credentials",
        kept(32339s, Environment::Sandbox, "fake-secret") +
            kept(32341s, Environment::Sandbox, "fake-secret") + kept(0s, Environment::Live, "fake-secret") +
            kept(0s, Environment::Sandbox, "other"),
        "T---");
    row("link", answer(201, R"({"id":"PLB-X","payment_link":"https://www.paypal.com/ncp/payment/F3YMU"})"),
        "link https://www.paypal.com/ncp/payment/F3YMU");
    row("links over http, on a look-alike host, with user info, none",
        answer(201, R"({"payment_link":"http://www.paypal.com/x"})") + answer(201, "{}") +
            answer(201, R"({"payment_link":"https://www.paypal.com.evil.example/x"})") +
            answer(201, R"({"payment_link":"https://www.paypal.com@evil.example/x"})"),
        Unreadable.repeated(4));
    row("a page of links, the time in UTC, the next page's token",
        listed({page(
            R"(,"status":"ACTIVE","create_time":"2026-12-09T17:00:00.5+01:00","line_items":[{"name":"Oak",)"
            R"("product_id":"OAK-1","unit_amount":{"currency_code":"USD","value":"34.95"}}])",
            "Ab_-9&x=1")}),
        "PLB-A1|Oak|OAK-1|34.95 USD|ACTIVE|2026-12-09T16:00:00Z|https://www.paypal.com/ncp/payment/A1\nnext Ab_-9\n");
    const QString bare = "PLB-A1||| |||https://www.paypal.com/ncp/payment/A1\n";
    row("missing fields; a status PayPal may add; a price that is none",
        listed({page(""), page(R"(,"status":"ON_HOLD","line_items":[{"unit_amount":{"value":"1,5"}}])"),
                R"({"links":[]})"}),
        bare + "next \nPLB-A1||| |ON_HOLD||https://www.paypal.com/ncp/payment/A1\nnext \nnext \n");
    const QString listUnreadable =
        "Error: PayPal's answer could not be read, so the list of links is not complete.";
    row("refused as a new link is: http, a look-alike host, no link, an id or status not PayPal's, not JSON",
        listed({page("").replace("https", "http")}) +
            listed({page("").replace(".com", ".com.evil.example")}) +
            listed({page("").replace("payment_link", "x")}) +
            listed({page("").replace("A1\",\"p", "a1\",\"p")}) + listed({page(R"(,"status":"ACTIVE\r\n")")}) +
            listed({"<html>"}),
        listUnreadable.repeated(6));
    row("page tokens: a loop, a line break, too long",
        listed({page("", "T1"), page("", "T2"), page("", "T1")}) + listed({page("", "a%0D%0Ab")}) +
            listed({page("", QString(256, 'a'))}),
        bare + "next T1\n" + bare +
            "next T2\nError: PayPal sent a page of the list a second time, so the list of links is not complete. "
            "Try again later." +
            listUnreadable.repeated(2));
    QList<QByteArray> pages;
    for (int i = 0; i < 1000; ++i) {
        pages << page("", "T" + QString::number(i));
    }
    const QByteArray one = page("").mid(14).chopped(13) + ",";
    row("more links on a page than asked for, more pages than a seller has",
        listed({"{\"resources\":[" + one.repeated(101).chopped(1) + "]}"}) + listed(pages).section('\n', -1),
        listUnreadable +
            "Error: PayPal's list of links did not end after 1000 pages, so it is not complete.");
    const QString gone =
        "Error: PayPal has no payment link PLB-B for this app; it may have been deleted already.";
    const auto read = [](int status, const QByteArray& body) {
        return std::get<QString>(readLinkAnswer(status, body, Environment::Live, "PLB-B")) + "|";
    };
    row("read: another link, gone; delete: done, gone, 200",
        read(200, one.chopped(1)) + read(404, "") + readDeleteAnswer(204, "", Environment::Live, "PLB-B") +
            "|" + readDeleteAnswer(404, "", Environment::Live, "PLB-B") + "|" +
            readDeleteAnswer(200, "", Environment::Live, "PLB-B"),
        Unreadable + "|" + gone + "||" + gone +
            "|Error: PayPal's answer could not be read, so it is not known whether the link was deleted.");
    const auto wait = [](const QByteArray& value, int unit = 1) {
        return QString::number(readRetryAfter(value).value_or(std::chrono::seconds(-1)).count() / unit) + " ";
    };
    row("Retry-After in seconds, as a date in the past, neither; minutes to a date in an hour",
        wait(" 120 ") + wait("Wed, 21 Oct 2015 07:28:00 GMT") + wait("soon") +
            wait(QDateTime::currentDateTimeUtc()
                     .addSecs(3630)
                     .toString("ddd, dd MMM yyyy hh:mm:ss 'GMT'")
                     .toLatin1(),
                 60),
        "120 0 -1 60 ");
    row("name not found, TLS",
        transportFailureText(QNetworkReply::HostNotFoundError, "h", "x") + "|" +
            transportFailureText(QNetworkReply::SslHandshakeFailedError, "h", "self-signed"),
        "Error: The address of PayPal's server, h, could not be found. Check the Internet connection and try again.|"
        "Error: The connection to PayPal's server, h, could not be verified as secure, so nothing was sent "
        "(self-signed).");
    row("loopback hosts",
        override("http://127.0.0.1:8080/") + override("http://[::1]:9") + override("https://LOCALHOST:1"),
        "http://127.0.0.1:8080http://[::1]:9https://localhost:1");
    row("other hosts, user info, path",
        override("http://10.0.0.1:80") + override("http://127.0.0.1.evil.example:80") +
            override("http://user@127.0.0.1:1") + override("http://127.0.0.1:1/v1"),
        QString("ignored").repeated(4));
}

void PayPalApiTest::table()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

// One Create against the fake; the calls it saw, each checked against PayPal's documentation.
QList<QJsonObject> PayPalApiTest::createLink(PayPalClient& paypal, Environment environment,
                                             const QString& client, const QString& secret)
{
    QSignalSpy done(&paypal, &PayPalClient::linkCreated);
    QSignalSpy failed(&paypal, &PayPalClient::failed);
    paypal.createLink(environment, client, secret, std::get<QByteArray>(linkRequestBody(entries())));
    [&] { QTRY_COMPARE_WITH_TIMEOUT(done.count() + failed.count(), 1, 10000); }();
    const QList<QJsonObject> calls = m_fake->requests();
    for (const QJsonObject& call : calls) {
        [&] { QCOMPARE(call["problems"].toArray(), QJsonArray()); }();
    }
    return calls;
}

// A whole Create: its outcome, and how many token and create calls it took.
void PayPalApiTest::againstFake_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("calls"); // t: token, c: create
    const auto row = [](const char* name, const char* client, const char* secret, const QString& outcome,
                        const char* calls) { QTest::newRow(name) << client << secret << outcome << calls; };
    row("link", "fake-ok", "fake-secret", "link", "tc");
    row("link, the token kept", "fake-ok", "fake-secret", "link", "c");
    row("wrong secret", "fake-ok", "fake-wrong", SandboxRefused, "t");
    row("403", "fake-403", "fake-secret",
        "Error: PayPal does not let this app create payment links. In the PayPal developer dashboard, open the app "
        "in Apps & Credentials and enable Payment Links and Buttons, then try again.",
        "tc");
    row("422, a line per detail", "fake-422", "fake-secret",
        "Error: PayPal refused to create the link:\nPrice of Item / Service: DECIMAL_PRECISION (The value of the "
        "field should not have more than 2 decimal places.)\nItem Name / Service: INVALID_STRING_LENGTH\n/reusable: "
        "INVALID_PARAMETER_VALUE (Not allowed.)",
        "tc");
    row("500, then the link on the retry", "fake-500", "fake-secret", "link", "tcc");
    row("500 twice", "fake-500x2", "fake-secret",
        "Error: PayPal's server had a problem (HTTP status 500), also when asked a second time, and did not create "
        "the link. Try again in a few minutes.",
        "tcc");
    row("too slow twice", "fake-slow", "fake-secret",
        "Error: PayPal's server, 127.0.0.1, did not answer within 0.7 seconds, also when asked a second time. Try "
        "again later.",
        "tcc");
    row("429, then the link after waiting as asked", "fake-429", "fake-secret", "link", "tccw");
    row("429, asked to wait an hour", "fake-429-3600", "fake-secret",
        "Error: PayPal is getting too many requests from this app (HTTP status 429) and did not create the link. "
        "Try again in 60 minutes.",
        "tc");
    row("a token answer that never ends", "fake-endless", "fake-secret", Unreadable, "t");
    row("a token with a line break and a header", "fake-crlf", "fake-secret", Unreadable, "t");
}

void PayPalApiTest::againstFake()
{
    QFETCH(QString, client);
    QFETCH(QString, secret);
    PayPalClient paypal(m_tokens);
    paypal.setTiming({700ms, 50ms});
    QSignalSpy links(&paypal, &PayPalClient::linkCreated);
    QSignalSpy failures(&paypal, &PayPalClient::failed);
    QSignalSpy waits(&paypal, &PayPalClient::waiting);
    QString calls;
    QStringList ids;
    for (const QJsonObject& call : createLink(paypal, Environment::Sandbox, client, secret)) {
        calls += call["path"] == "/v1/oauth2/token" ? "t" : "c";
        ids += call["request_id"].toString();
    }
    calls +=
        QString("w").repeated(waits.count(QVariantList{"PayPal asks for a pause: asking again in 1 s…"}));
    QVERIFY(!paypal.isBusy());
    const QString got = links.isEmpty() ? failures[0][0].toString() : links[0][0].toString();
    QTEST(got.startsWith("https://www.sandbox.paypal.com/ncp/payment/FAKE") ? "link" : got, "outcome");
    QTEST(calls, "calls");
    QCOMPARE(ids.mid(1).count(ids.value(1)), ids.size() - 1); // the retry keeps the request id
}

// The fake's 250 links of an app listed, one read and deleted twice; a listing cancelled on
// its first page. Every call checked against PayPal's documentation.
void PayPalApiTest::links()
{
    PayPalClient paypal(m_tokens);
    QSignalSpy pages(&paypal, &PayPalClient::linksPage);
    QSignalSpy listed(&paypal, &PayPalClient::linksListed);
    QSignalSpy read(&paypal, &PayPalClient::linkRead);
    QSignalSpy deleted(&paypal, &PayPalClient::linkDeleted);
    QSignalSpy failures(&paypal, &PayPalClient::failed);
    paypal.listLinks(Environment::Sandbox, "fake-list-250", "fake-secret");
    QTRY_COMPARE_WITH_TIMEOUT(listed.count(), 1, 10000);
    QList<PaymentLink> all; // 3 pages
    for (const QList<QVariant>& page : pages) {
        all += page[0].value<QList<PaymentLink>>();
    }
    const QString id = all.value(249).id;
    paypal.readLink(Environment::Sandbox, "fake-list-250", "fake-secret", id);
    QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 10000);
    const PaymentLink got = read[0][0].value<PaymentLink>();
    QCOMPARE(QStringList({got.id, got.itemName, got.price, got.currency, got.created.toString(Qt::ISODate)}),
             QStringList({id, "Čaj 茶 249", "41.13", "USD", "2026-01-11T09:00:00Z"}));
    QCOMPARE(all.size() + pages.count(), 250 + 3);
    for (int attempt = 0; attempt < 2; ++attempt) {
        paypal.deleteLink(Environment::Sandbox, "fake-list-250", "fake-secret", id);
        QTRY_COMPARE_WITH_TIMEOUT(deleted.count() + failures.count(), attempt + 1, 10000);
    }
    QSignalSpy created(&paypal, &PayPalClient::linkCreated); // with the caller's key, then one not PayPal's
    const QByteArray body = std::get<QByteArray>(linkRequestBody(entries()));
    paypal.createLink(Environment::Sandbox, "fake-list-250", "fake-secret", body, "move-1_A");
    QTRY_COMPARE_WITH_TIMEOUT(created.count(), 1, 10000);
    paypal.createLink(Environment::Sandbox, "fake-list-250", "fake-secret", body, "move 1");
    QCOMPARE(failures.value(1).value(0),
             "Error: \"move 1\" cannot be the PayPal-Request-Id of a payment link.");
    connect(&paypal, &PayPalClient::linksPage, &paypal, &PayPalClient::cancel);
    paypal.listLinks(Environment::Sandbox, "fake-list-250", "fake-secret");
    QTRY_COMPARE_WITH_TIMEOUT(pages.count(), 4, 10000);
    QTest::qWait(300);
    QCOMPARE(deleted.value(0).value(0).toString(), id);
    QVERIFY(failures[0][0].toString().contains("no payment link " + id + " for this app"));
    QCOMPARE(listed.count() + failures.count() + pages.count(), 1 + 2 + 4);
    QVERIFY(!paypal.isBusy());
    QString calls; // P: a token or a create with its key, G: a page of 100 or a next page (n) or a link, D: a
                   // delete
    for (const QJsonObject& call : m_fake->requests()) {
        QCOMPARE(call["problems"].toArray(), QJsonArray());
        calls += call["method"].toString().left(1) + call["query"]["page_size"][0].toString() +
                 (call["query"]["page_token"].isUndefined() ? "" : "n") + call["request_id"].toString() + " ";
    }
    QCOMPARE(calls, "P G100 Gn Gn G D D Pmove-1_A G100 ");
}

// QtKeychain inside a private Secret Service (QUORVANE_KEYRING=1, through inkeyring.sh)
// or with no session bus (0); never run against the desktop's own keyring.
void PayPalApiTest::keyring()
{
    const QString keyring = qEnvironmentVariable("QUORVANE_KEYRING");
    if (keyring.isEmpty()) {
        QSKIP("run by the keyring tests only");
    }
    const std::unique_ptr<CredentialStore> store = makeCredentialStore();
    QSignalSpy loaded(store.get(), &CredentialStore::loaded);
    QSignalSpy unavailable(store.get(), &CredentialStore::unavailable);
    QSignalSpy writeFailed(store.get(), &CredentialStore::writeFailed);
    const auto load = [&](Environment environment) {
        const qsizetype before = loaded.count() + unavailable.count();
        store->load(environment);
        [&] { QTRY_COMPARE(loaded.count() + unavailable.count(), before + 1); }();
        return loaded.isEmpty() ? "none" : loaded.last()[1].value<Credentials>().clientId;
    };
    store->save(Environment::Sandbox, {"fake-sandbox-id", "fake-secret-1"});
    store->save(Environment::Live, {"fake-live-id", "fake-secret-2"});
    if (keyring == "0") { // both saves fail, and the load finds no keyring
        QCOMPARE(load(Environment::Sandbox), "none");
        QCOMPARE(writeFailed.count(), 2);
        return;
    }
    QCOMPARE(load(Environment::Sandbox), "fake-sandbox-id");
    QVERIFY(loaded.last()[1].value<Credentials>().secret == "fake-secret-1"); // never printed
    QCOMPARE(load(Environment::Live), "fake-live-id");
    store->remove(Environment::Sandbox);
    store->remove(Environment::Sandbox); // already gone: not a failure
    QCOMPARE(load(Environment::Sandbox) + "|" + load(Environment::Live), "|fake-live-id");
    QCOMPARE(writeFailed.count() + unavailable.count(), 0);
}

QTEST_GUILESS_MAIN(PayPalApiTest)
#include "paypalapi_test.moc"
