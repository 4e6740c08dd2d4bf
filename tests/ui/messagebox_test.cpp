#include "messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace quorvane;

namespace {

struct SeenBox
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::Information;
    QStringList buttons;
    bool modal = false;
    int height = 0;
};

// Reads the real box once it is up, then answers it with OK.
SeenBox showAndAnswer(const QString& text, MessageStyle style, const QString& title)
{
    SeenBox seen;
    QTimer::singleShot(0, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = {box->text(), box->windowTitle(), box->icon(),
                {},          box->isModal(),     box->frameGeometry().height()};
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << button->text();
        }
        box->button(QMessageBox::Ok)->click();
    });
    MsgBox(text, style, title);
    return seen;
}

} // namespace

class MessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void realBoxShowsTextTitleIconAndOkOnly_data();
    void realBoxShowsTextTitleIconAndOkOnly();
    void handlerSeesTheResolvedTitle();
    void emptyHandlerRestoresTheRealBox();
};

void MessageBoxTest::realBoxShowsTextTitleIconAndOkOnly_data()
{
    QTest::addColumn<MessageStyle>("style");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cut");
    QString tall;
    for (int line = 0; line < 2000; ++line) {
        tall += QStringLiteral("field_%1, ").arg(line);
    }
    QTest::newRow("plain, own title")
        << MessageStyle::Plain << QStringLiteral("Set!") << QStringLiteral("Set!") << QMessageBox::NoIcon
        << QStringLiteral("Some text") << false;
    QTest::newRow("critical, no title") << MessageStyle::Critical << QString() << QStringLiteral("Quorvane")
                                        << QMessageBox::Critical << QStringLiteral("Some text") << false;
    QTest::newRow("taller than the screen") << MessageStyle::Plain << QString() << QStringLiteral("Quorvane")
                                            << QMessageBox::NoIcon << tall << true;
}

void MessageBoxTest::realBoxShowsTextTitleIconAndOkOnly()
{
    QFETCH(MessageStyle, style);
    QFETCH(QString, title);
    QFETCH(QString, shownTitle);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, text);
    QFETCH(bool, cut);

    const SeenBox seen = showAndAnswer(text, style, title);

    QCOMPARE(seen.text != text, cut);
    QVERIFY(!cut || (seen.text.size() > 200 && seen.text.endsWith(QChar(0x2026)) &&
                     text.startsWith(seen.text.chopped(1))));
    QVERIFY2(seen.height <= QApplication::primaryScreen()->availableGeometry().height(),
             qPrintable(QStringLiteral("%1 px tall").arg(seen.height)));
    QCOMPARE(seen.title, shownTitle);
    QCOMPARE(seen.icon, icon);
    QCOMPARE(seen.buttons.size(), 1);
    QVERIFY(seen.modal);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
}

void MessageBoxTest::handlerSeesTheResolvedTitle()
{
    QStringList seen;
    setMessageBoxHandler([&seen](const QString& text, MessageStyle style, const QString& title) {
        seen << QStringLiteral("%1|%2|%3").arg(text).arg(static_cast<int>(style)).arg(title);
    });
    MsgBox(QStringLiteral("one"));
    MsgBox(QStringLiteral("two"), MessageStyle::Critical);
    MsgBox(QStringLiteral("three"), MessageStyle::Plain, QStringLiteral("Set!"));
    setMessageBoxHandler({});

    QCOMPARE(seen, (QStringList{QStringLiteral("one|0|Quorvane"), QStringLiteral("two|16|Quorvane"),
                                QStringLiteral("three|0|Set!")}));
}

void MessageBoxTest::emptyHandlerRestoresTheRealBox()
{
    int handled = 0;
    setMessageBoxHandler([&handled](const QString&, MessageStyle, const QString&) { ++handled; });
    setMessageBoxHandler({});

    const SeenBox seen = showAndAnswer(QStringLiteral("real"), MessageStyle::Plain, {});

    QCOMPARE(handled, 0);
    QCOMPARE(seen.text, QStringLiteral("real"));
}

QTEST_MAIN(MessageBoxTest)
#include "messagebox_test.moc"
