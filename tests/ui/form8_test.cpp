#include "fakepaypal.h"
#include "fakestore.h"
#include "form8.h"
#include "forms.h"
#include "messagerecorder.h"
#include "networkforms.h"
#include "savefile.h"
#include "sitemove.h"
#include "windows.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDirIterator>
#include <QGuiApplication>
#include <QJsonArray>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <map>

using namespace quorvane;
using namespace quorvane::testing;

namespace {

// Every file under the folder, by its relative path.
std::map<QString, QByteArray> files(const QString& folder)
{
    std::map<QString, QByteArray> found;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        found[QDir(folder).relativeFilePath(file.fileName())] =
            file.open(QIODevice::ReadOnly) ? file.readAll() : "?";
    }
    return found;
}

// The first row of the page in that state, or -1.
int rowIndex(SiteMove* move, const QString& page, MoveState state)
{
    for (int r = 0; r < move->rowCount(); ++r) {
        if (move->row(r).page == page && move->row(r).state == state) {
            return r;
        }
    }
    return -1;
}

const MoveRow& rowOn(SiteMove* move, const QString& page, MoveState state)
{
    static const MoveRow none;
    return rowIndex(move, page, state) < 0 ? none : move->row(rowIndex(move, page, state));
}

bool idle(QWidget* form)
{
    return !control<QWidget>(form, "cmdCancel")->isEnabled();
}

} // namespace

class Form8Test : public QObject
{
    Q_OBJECT

private slots:
    void movesASiteAndPutsItBack();
};

// The sample site: scanned, its links made in Sandbox (one for an item on several
// pages, none for a row unticked), rewritten after the preview, reported, restored.
void Form8Test::movesASiteAndPutsItBack()
{
    FakeStore::install();
    FakeStore::entries[Environment::Sandbox] = {"shop-app", "fake-secret"};
    MessageRecorder boxes;
    FakePayPal fake(5, {"--create-delay", "0.5"});
    QTemporaryDir temp;
    // The journal goes with the rest.
    qputenv("XDG_DATA_HOME", temp.filePath("data").toUtf8());
    const QString site = temp.filePath("site");
    QCOMPARE(QProcess::execute("cp", {"-a", QUORVANE_SAMPLE_SITE, site}), 0);
    const std::map<QString, QByteArray> before = files(site);
    setFolderAsker([&](const QString&, const QString&) { return site; });
    Form8* form = shown(networkForms().form8.get());
    QCOMPARE(form->windowTitle(), QStringLiteral("Move Pages to Payment Links"));
    for (QWidget* widget : form->findChildren<QWidget*>()) {
        const bool control = !widget->objectName().isEmpty() &&
                             (qobject_cast<QAbstractButton*>(widget) || qobject_cast<QTableView*>(widget) ||
                              qobject_cast<QProgressBar*>(widget));
        QVERIFY2(!control || !widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
    }
    SiteMove* move = form->findChild<SiteMove*>();
    auto* table = control<QTableView>(form, "tblButtons");

    click(form, "cmdChooseFolder");
    QTRY_VERIFY(idle(form) && table->model()->rowCount() > 30);
    QCOMPARE(table->model()->rowCount(), move->rowCount());
    // The files the scan could not read or that hold no button to replace, in one box.
    QCOMPARE(boxes.boxes.size(), 1u);
    QVERIFY(boxes.boxes[0].text.contains("img/photo.php") && boxes.boxes[0].title == "Files to Check");
    boxes.boxes.clear();
    const MoveRow& hosted = rowOn(move, "other/hosted.html", MoveState::KeptAtPayPal);
    QVERIFY(hosted.line > 0 && !hosted.tickable);
    QVERIFY(rowOn(move, "dup/page2.html", MoveState::Move).ticked);
    // The kettle's row unticked by its check box: its page keeps its button.
    for (int r = 0; r < move->rowCount(); ++r) {
        if (move->row(r).page == "shop/tax.html") {
            QVERIFY(table->model()->setData(table->model()->index(r, 0), Qt::Unchecked, Qt::CheckStateRole));
        }
    }

    // Cancel stops at once with some links made; Make Links makes the others.
    click(form, "cmdMakeLinks");
    QVERIFY(!idle(form) && !control<QWidget>(form, "cmdChooseFolder")->isEnabled());
    QTest::qWait(300);
    click(form, "cmdCancel");
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), 2000);
    QVERIFY(control<QWidget>(form, "cmdMakeLinks")->isEnabled());
    QVERIFY2(control<QLabel>(form, "lblStatus")->text().startsWith("Making the links was stopped."),
             qPrintable(control<QLabel>(form, "lblStatus")->text()));
    boxes.boxes.clear();
    click(form, "cmdMakeLinks");
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), 30000);
    QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.boxes.empty() ? "" : boxes.boxes.back().text));
    // One link for the mug on four pages, another for the mug at another price.
    const QString mug = rowOn(move, "index.html", MoveState::LinkMade).link;
    QVERIFY(mug.startsWith("https://www.sandbox.paypal.com/ncp/payment/"));
    for (const char* page : {"dup/page1.html", "dup/page2.html", "dup/page3.html"}) {
        QCOMPARE(rowOn(move, page, MoveState::LinkMade).link, mug);
    }
    const QString otherPrice = rowOn(move, "dup/other-price.html", MoveState::LinkMade).link;
    QVERIFY(!otherPrice.isEmpty() && otherPrice != mug);
    QVERIFY(rowOn(move, "shop/tax.html", MoveState::Move).link.isEmpty());
    // Only a create cancelled on its way is asked again, with its request ID: PayPal makes one link.
    QSet<QString> asked;
    int creates = 0;
    for (const QJsonObject& call : fake.requests()) {
        QVERIFY2(call["problems"].toArray().isEmpty(), qPrintable(QJsonDocument(call).toJson()));
        if (call["method"] == "POST" && call["path"] == "/v1/checkout/payment-resources") {
            asked << call["request_id"].toString();
            ++creates;
        }
    }
    QVERIFY2(creates - asked.size() <= 4, qPrintable(QString::number(creates - asked.size())));

    // Template code in the form: Copy Code gives the line to paste by hand.
    const int byHand = rowIndex(move, "php/custom.php", MoveState::PasteByHand);
    table->selectRow(byHand);
    click(form, "cmdCopyCode");
    QCOMPARE(QGuiApplication::clipboard()->text(), move->row(byHand).pageCode);
    QVERIFY(move->row(byHand).pageCode.contains(move->row(byHand).link) && !move->row(byHand).link.isEmpty());

    boxes.answer = true;
    click(form, "cmdRewrite");
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), 30000);
    QCOMPARE(boxes.questions.size(), 1u);
    QVERIFY2(boxes.questions[0].text.contains("site-before-payment-links-") &&
                 boxes.questions[0].text.contains("Sandbox links"),
             qPrintable(boxes.questions[0].text));
    const std::map<QString, QByteArray> rewritten = files(site);
    QVERIFY(rewritten.at("index.html").contains(mug.toUtf8()) &&
            !rewritten.at("index.html").contains("_xclick"));
    QCOMPARE(rewritten.at("shop/tax.html"), before.at("shop/tax.html"));
    QCOMPARE(rewritten.at("php/custom.php"), before.at("php/custom.php"));

    const QString report = temp.filePath("report.csv");
    setSaveFileAsker([&](const QString&, const QString&) { return report; });
    click(form, "cmdSaveReport");
    QFile saved(report);
    QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().count(mug.toUtf8()) == 4);

    click(form, "cmdRestore");
    QTRY_VERIFY_WITH_TIMEOUT(idle(form), 30000);
    QCOMPARE(boxes.questions.size(), 2u);
    QVERIFY(files(site) == before);
    QVERIFY2(boxes.boxes.empty(), qPrintable(boxes.boxes.empty() ? "" : boxes.boxes.back().text));
    QTest::keyClick(form, Qt::Key_Escape);
    QVERIFY(!networkForms().form8.isLoaded());
    setFolderAsker({});
    setSaveFileAsker({});
}

QTEST_MAIN(Form8Test)
#include "form8_test.moc"
