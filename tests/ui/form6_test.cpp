#include "fakepaypal.h"
#include "fakestore.h"
#include "form1.h"
#include "form6.h"
#include "form7.h"
#include "forms.h"
#include "linksmodel.h"
#include "messagerecorder.h"
#include "networkforms.h"
#include "windows.h"

#include <QClipboard>
#include <QCollator>
#include <QGuiApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <functional>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

QTableView* table(QWidget* form)
{
    return control<QTableView>(form, "tblLinks");
}

LinksModel* links(QWidget* form)
{
    return static_cast<LinksModel*>(table(form)->model());
}

QString status(QWidget* form)
{
    return control<QLabel>(form, "lblStatus")->text();
}

// Chooses the row of a link as the seller does, by a click on it.
void choose(QWidget* form, int row)
{
    QTableView* view = table(form);
    view->scrollTo(view->model()->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, 0)).center());
}

// The window opened with the keyring holding Sandbox credentials of `client`.
Form6* listWindow(const QString& client)
{
    FakeStore::entries[Environment::Sandbox] = {client, "fake-secret"};
    Form6* form = networkForms().form6.get();
    form->bringBack();
    return form;
}

} // namespace

class Form6Test : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listsSortsAndFilters_data();
    void listsSortsAndFilters();
    void copiesAndDeletesTheChosenLink();
    void cancelsAndReportsFailures();
};

void Form6Test::init()
{
    FakeStore::install();
}

void Form6Test::cleanup()
{
    networkForms().form7.unload();
    networkForms().form6.unload();
    forms().form1.unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    setCredentialStoreMaker({});
}

void Form6Test::listsSortsAndFilters_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("matching"); // of the 250 links
    const auto row = [](const char* name, int column, const char* filter, int matching) {
        QTest::newRow(name) << column << filter << matching;
    };
    row("item, walnut", LinksModel::Item, "WALNUT", 62);
    row("item ID, SKU-12", LinksModel::ItemId, "sku-12", 11);
    row("price, the link of one", LinksModel::Price, "00042", 1);
    row("status, tea", LinksModel::Status, "茶", 63);
    row("created, nothing", LinksModel::Created, "", 250);
    row("link, no match", LinksModel::Link, "zzz", 0);
}

void Form6Test::listsSortsAndFilters()
{
    QFETCH(int, column);
    QFETCH(QString, filter);
    QFETCH(int, matching);
    MessageRecorder boxes;
    FakePayPal fake(5, {"--page-delay", "0.1"});
    // Remembered credentials: the list comes on opening, newest first.
    Form6* form = listWindow("fake-list-250");
    QTRY_COMPARE(status(form), QStringLiteral("250 links."));
    QCOMPARE(form->windowTitle(), QStringLiteral("Your PayPal Payment Links"));
    // Three pages, 100 a page, each asked with the token PayPal gave for it (a token of
    // an earlier test's PayPal is refused first).
    QStringList pages;
    for (const QJsonObject& call : fake.requests()) {
        QVERIFY2(call["problems"].toArray().isEmpty(), qPrintable(QJsonDocument(call).toJson()));
        if (call["method"] == "GET" && !call["client"].isNull()) {
            const QJsonObject query = call["query"].toObject();
            pages << query.keys().join(',') + '=' + query["page_size"].toArray().first().toString();
        }
    }
    QCOMPARE(pages, QStringList({"page_size=100", "page_token=", "page_token="}));
    LinksModel* model = links(form);
    QCOMPARE(model->link(0).itemId, QStringLiteral("SKU-249"));
    const QModelIndex first = model->index(0, 0);
    QStringList cells;
    for (int c = 0; c < LinksModel::ColumnCount; ++c) {
        cells << model->data(first.siblingAtColumn(c)).toString();
    }
    // Link 249 of the fake: 249 × 137 cents modulo 100 dollars, made at 09:00 UTC on 11 January.
    const QDateTime made(QDate(2026, 1, 11), QTime(9, 0), Qt::UTC);
    QCOMPARE(cells, QStringList({"Čaj 茶 249", "SKU-249", "41.13 USD", "Active",
                                 QLocale::system().toString(made.toLocalTime(), QLocale::ShortFormat),
                                 "https://www.sandbox.paypal.com/ncp/payment/" + model->link(0).id.mid(4)}));

    // Sorted by the column's header, both ways, then filtered: the order holds.
    const QCollator collator = [] {
        QCollator c;
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const std::function<bool(const PaymentLink&, const PaymentLink&)> inOrder[] = {
        [&](auto& a, auto& b) { return collator.compare(a.itemName, b.itemName) <= 0; },
        [&](auto& a, auto& b) { return collator.compare(a.itemId, b.itemId) <= 0; },
        [](auto& a, auto& b) {
            return a.currency < b.currency ||
                   (a.currency == b.currency && a.price.toDouble() <= b.price.toDouble());
        },
        [](auto& a, auto& b) { return a.status <= b.status; },
        [](auto& a, auto& b) { return a.created <= b.created; },
        [](auto& a, auto& b) { return a.link <= b.link; },
    };
    QHeaderView* header = table(form)->horizontalHeader();
    for (int press = 1; press <= 2; ++press) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          {header->sectionViewportPosition(column) + 10, header->height() / 2});
        control<QLineEdit>(form, "txtFilter")->setText(press == 2 ? filter : QString());
        const bool ascending = header->sortIndicatorOrder() == Qt::AscendingOrder;
        QCOMPARE(header->sortIndicatorSection(), column);
        QCOMPARE(model->rowCount(), press == 2 ? matching : 250);
        for (int r = 1; r < model->rowCount(); ++r) {
            const PaymentLink& a = model->link(ascending ? r - 1 : r);
            const PaymentLink& b = model->link(ascending ? r : r - 1);
            QVERIFY2(inOrder[column](a, b), qPrintable(a.id + " before " + b.id));
            QVERIFY(filter.isEmpty() || press == 1 ||
                    (a.itemName + a.itemId + a.link).contains(filter, Qt::CaseInsensitive));
        }
    }
    QCOMPARE(status(form), matching == 250 ? QStringLiteral("250 links.")
                                           : QString("%1 of 250 links match the filter.").arg(matching));
    QCOMPARE(boxes.boxes.size(), 0u);
}

void Form6Test::copiesAndDeletesTheChosenLink()
{
    MessageRecorder boxes;
    FakePayPal fake;
    Form6* form = listWindow("fake-list-30");
    QTRY_COMPARE(links(form)->rowCount(), 30);
    fake.requests();
    QVERIFY(!control<QWidget>(form, "cmdCopyLink")->isEnabled());
    choose(form, 3);
    const PaymentLink chosen = links(form)->link(3);
    click(form, "cmdCopyLink");
    QCOMPARE(QGuiApplication::clipboard()->text(), chosen.link);
    QGuiApplication::clipboard()->clear();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTest::keyClick(table(form), Qt::Key_C, Qt::ControlModifier); // the link, not the cell's text
    QCOMPARE(QGuiApplication::clipboard()->text(), chosen.link);
    click(form, "cmdCopyCode");
    QCOMPARE(
        QGuiApplication::clipboard()->text(),
        "<a href=\"" + chosen.link +
            "\"><img src=\"https://www.paypal.com/images/x-click-but23.gif\" alt=\"Buy Now with PayPal\" "
            "border=\"0\"></a>");
    click(form, "cmdQrCode");
    QVERIFY(networkForms().form7.isLoaded() && networkForms().form7.get()->isVisible());
    QCOMPARE(control<QLineEdit>(networkForms().form7.get(), "txtLink")->text(), chosen.link);

    // No, the default, keeps the link; Yes deletes it once PayPal confirmed it.
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    table(form)->setFocus();
    QTest::keyClick(table(form), Qt::Key_Delete);
    const QString question = "Delete the payment link for " + chosen.itemName +
                             "? Buyers who follow it will no longer be able to pay.";
    QCOMPARE(boxes.questions.size(), 1u);
    QCOMPARE(boxes.questions[0].text, question);
    QCOMPARE(links(form)->total(), 30);
    boxes.answer = true;
    click(form, "cmdDelete");
    QTRY_COMPARE(links(form)->total(), 29);
    QCOMPARE(status(form), "PayPal deleted the payment link for " + chosen.itemName + ".");
    for (int r = 0; r < links(form)->rowCount(); ++r) {
        QVERIFY(links(form)->link(r).id != chosen.id);
    }
    QStringList deletes;
    for (const QJsonObject& call : fake.requests()) {
        if (call["method"] == "DELETE") {
            deletes << call["path"].toString();
        }
    }
    QCOMPARE(deletes, QStringList{"/v1/checkout/payment-resources/" + chosen.id});
    QVERIFY(!control<QWidget>(form, "cmdDelete")->isEnabled()); // nothing chosen now
    QCOMPARE(boxes.boxes.size(), 0u);
}

void Form6Test::cancelsAndReportsFailures()
{
    MessageRecorder boxes;
    FakePayPal fake(5, {"--page-delay", "1"});
    Form6* form = listWindow("fake-list-250");
    QTRY_VERIFY(control<QWidget>(form, "cmdCancel")->isEnabled());
    QTRY_VERIFY(status(form).endsWith("so far…"));
    click(form, "cmdCancel");
    QCOMPARE(status(form), QStringLiteral("Cancelled: 100 links shown, PayPal may have more."));
    QTest::qWait(1500);
    QCOMPARE(links(form)->total(), 100);
    QVERIFY(control<QWidget>(form, "cmdShow")->isEnabled() && control<QWidget>(form, "Frame1")->isEnabled());

    // A wrong secret: one box, worded as the link window's.
    control<QLineEdit>(form, "txtSecret")->setText("fake-wrong");
    click(form, "cmdShow");
    QTRY_COMPARE(boxes.boxes.size(), 1u);
    QVERIFY(boxes.boxes[0].text.startsWith(
        "Error: PayPal did not accept this client ID and secret for Sandbox."));
    QCOMPARE(status(form), QStringLiteral("The list stopped at 0 links."));

    // Without a secret the seller is told, and nothing is asked of PayPal.
    fake.requests();
    control<QLineEdit>(form, "txtSecret")->clear();
    click(form, "cmdShow");
    QCOMPARE(boxes.boxes.at(1).text,
             QStringLiteral("Error: Please enter the client ID and the secret of your PayPal Sandbox app."));
    QCOMPARE(fake.requests().size(), 0);
    QTest::keyClick(form, Qt::Key_Escape);
    QVERIFY(!networkForms().form6.isLoaded());
}

QTEST_MAIN(Form6Test)
#include "form6_test.moc"
