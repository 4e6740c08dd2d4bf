#include "journal.h"
#include "pageedit.h"
#include "rewriter.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace quorvane;

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out)
{
    *out << text.toStdString();
}
QT_END_NAMESPACE

namespace {

// Root passes every permission check; the tests drop that override, as a seller's
// own account has none.
class WithoutRootOverride : public ::testing::Environment
{
    void SetUp() override
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2] = {};
        ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
        data[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
        ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new WithoutRootOverride);

using Files = std::map<QString, std::pair<QByteArray, uint>>; // bytes and permission bits

const QByteArray Form =
    "<form action=\"https://www.paypal.com/cgi-bin/webscr\"><input name=amount value=5></form>";
const QString Code =
    QStringLiteral("<a href=\"https://www.paypal.com/ncp/payment/X\"><img src=\"b.gif\"></a>");

QByteArray utf16(const QByteArray& text)
{
    return encodePageCode(QString::fromUtf8(text), PageEncoding::Utf16LE);
}

TEST(PageEdit, CodeInThePageEncodingAndReplacementsInPlace)
{
    EXPECT_EQ(encodePageCode(QStringLiteral("<a é€>"), PageEncoding::Utf8), "<a \xc3\xa9\xe2\x82\xac>");
    EXPECT_EQ(encodePageCode(QStringLiteral("<a é€\u0085>"), PageEncoding::Windows1252),
              "<a \xe9&#8364;&#133;>");
    EXPECT_EQ(encodePageCode(QStringLiteral("<a é>"), PageEncoding::Latin1), "<a \xe9>");
    EXPECT_EQ(encodePageCode(QStringLiteral("a€"), PageEncoding::Utf16LE), QByteArray("a\0\xac\x20", 4));
    EXPECT_EQ(encodePageCode(QStringLiteral("a€"), PageEncoding::Utf16BE), QByteArray("\0a\x20\xac", 4));
    const QByteArray page("0\r\n3\x00\xff"
                          "6789",
                          10);
    const std::vector<std::pair<std::vector<Replacement>, std::optional<QByteArray>>> rows = {
        {{}, page},
        {{{0, 0, "<"}, {10, 10, ">"}}, "<" + page + ">"},
        {{{0, 3, "AB"}, {3, 3, "+"}, {5, 7, ""}},
         QByteArray("AB+3\x00"
                    "789",
                    8)},
        {{{0, 10, ""}}, ""},
        {{{2, 5, "x"}, {4, 6, "y"}}, std::nullopt},
        {{{8, 11, "x"}}, std::nullopt},
        {{{5, 3, "x"}}, std::nullopt},
    };
    for (const auto& [replacements, expected] : rows) {
        EXPECT_EQ(applyReplacements(page, replacements), expected);
    }
}

class SiteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
        QDir().mkpath(m_site + QStringLiteral("/a"));
        m_start = {{"index.html", {"<p>\r\n" + Form + "x" + Form + "\xff", 0640}},
                   {"a/p1.html", {"<b>" + Form + "\n", 0604}},
                   {"u16.html", {"\xff\xfe" + utf16("<p>" + Form + "</p>"), 0644}}};
    }
    void TearDown() override
    {
        ::chmod(QFile::encodeName(m_root.path()).constData(), 0700);
        for (QDirIterator dirs(m_root.path(), QDir::Dirs | QDir::NoDotAndDotDot,
                               QDirIterator::Subdirectories);
             dirs.hasNext();) {
            ::chmod(QFile::encodeName(dirs.next()).constData(), 0700);
        }
        ::umount2(QFile::encodeName(m_site).constData(), MNT_DETACH);
    }
    void writeStart()
    {
        for (const auto& [path, file] : m_start) {
            write(m_site + QLatin1Char('/') + path, file.first, file.second);
        }
    }
    static void write(const QString& path, const QByteArray& bytes, uint mode)
    {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << path.toStdString();
        ASSERT_EQ(out.write(bytes), bytes.size());
        out.close();
        ::chmod(QFile::encodeName(path).constData(), mode);
    }
    static Files filesIn(const QString& folder)
    {
        Files files;
        for (QDirIterator found(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             found.hasNext();) {
            const QString path = found.next();
            struct stat status = {};
            ::stat(QFile::encodeName(path).constData(), &status);
            QFile in(path);
            in.open(QIODevice::ReadOnly);
            files[QDir(folder).relativeFilePath(path)] = {in.readAll(), status.st_mode & 07777};
        }
        return files;
    }
    // Each form replaced by the page code in the page's encoding.
    std::vector<PageEdit> edits() const
    {
        std::vector<PageEdit> edits;
        for (const auto& [path, file] : m_start) {
            const bool wide = path.startsWith(QStringLiteral("u16"));
            const QByteArray form = wide ? utf16(Form) : Form;
            PageEdit edit{path, sha256Of(file.first), {}};
            for (qsizetype at = file.first.indexOf(form); at >= 0; at = file.first.indexOf(form, at + 1)) {
                edit.replacements.push_back(
                    {at, at + form.size(),
                     encodePageCode(Code, wide ? PageEncoding::Utf16LE : PageEncoding::Utf8)});
            }
            edits.push_back(edit);
        }
        return edits;
    }
    Files rewritten() const
    {
        Files files = m_start;
        for (auto& [path, file] : files) {
            const bool wide = path.startsWith(QStringLiteral("u16"));
            file.first.replace(wide ? utf16(Form) : Form, wide ? utf16(Code.toLatin1()) : Code.toLatin1());
        }
        return files;
    }
    RunReport run(bool rewrite)
    {
        Journal journal;
        EXPECT_TRUE(journal.open(m_site)) << journal.errorString().toStdString();
        const std::atomic_bool cancel = false;
        int calls = 0;
        const RunProgress progress = [&](int done, int, const QString&) { EXPECT_EQ(done, ++calls); };
        return rewrite ? rewritePages(journal, edits(), progress, cancel)
                       : restorePages(journal, progress, cancel);
    }
    QString backupFolder() const
    {
        return m_site + QStringLiteral("-before-payment-links-") + QDate::currentDate().toString(Qt::ISODate);
    }

    QTemporaryDir m_root;
    QTemporaryDir m_data;
    QString m_site = m_root.filePath(QStringLiteral("shop"));
    Files m_start;
};

TEST_F(SiteTest, RewritesOnlyTheRangesKeepsPermissionsAndRestoresEveryByte)
{
    writeStart();
    const RunReport first = run(true);
    EXPECT_EQ(first.stopMessage, QString());
    EXPECT_EQ(filesIn(m_site), rewritten());
    EXPECT_EQ(filesIn(backupFolder()), m_start);
    // Run again, as after a kill: every page is recognised as written, nothing is copied twice.
    const RunReport again = run(true);
    for (const PageResult& page : again.pages) {
        EXPECT_EQ(page.outcome, PageOutcome::AlreadyWritten) << page.relativePath.toStdString();
    }
    EXPECT_EQ(again.backupFolder, QString());
    EXPECT_EQ(filesIn(m_root.path()).size(), 2 * m_start.size()); // the site and its backups
    EXPECT_EQ(run(false).pages.size(), m_start.size());
    EXPECT_EQ(filesIn(m_site), m_start);
}

struct Fault
{
    const char* name;
    std::function<bool(SiteTest&, const QString& site)> make; // false when it cannot be made here
    QString message;
    bool stops;
};

TEST_F(SiteTest, EachFaultNamesTheFileAndTouchesNothingElse)
{
    const QString page = m_site + QStringLiteral("/a/p1.html");
    const auto chmod = [](const QString& path, mode_t mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    };
    const std::vector<Fault> faults = {
        {"changed",
         [&](SiteTest&, const QString&) {
             write(page, "<b>new</b>", 0604);
             return true;
         },
         QStringLiteral("“%1” changed after the folder was scanned").arg(page), false},
        {"unreadable", [&](SiteTest&, const QString&) { return chmod(page, 0); },
         QStringLiteral("“%1” could not be read (").arg(page), false},
        {"read-only folder",
         [&](SiteTest&, const QString&) { return chmod(m_site + QStringLiteral("/a"), 0555); },
         QStringLiteral("The folder “%1/a” is read-only, so “%2” was left as it is.").arg(m_site, page),
         false},
        {"backup folder", [&](SiteTest&, const QString&) { return chmod(m_root.path(), 0555); },
         QStringLiteral("The folder “%1” is read-only, so “%2/a/p1.html” was not written as the backup")
             .arg(m_root.path(), backupFolder()),
         true},
        {"full disk", [&](SiteTest&, const QString&) { return true; },
         QStringLiteral("The disk holding “%1/a/p1.html” is full").arg(m_site), true},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        TearDown();
        QDir(m_root.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(m_site + QStringLiteral("/a")));
        writeStart();
        // A folder of one page on a disk of 64 KiB, filled up.
        if (QString(fault.name) == QStringLiteral("full disk")) {
            if (::mount("tmpfs", QFile::encodeName(m_site).constData(), "tmpfs", 0, "size=64k") != 0) {
                GTEST_SKIP() << "no tmpfs can be mounted here";
            }
            QDir().mkpath(m_site + QStringLiteral("/a"));
            writeStart();
            QFile filler(m_site + QStringLiteral("/.filler"));
            filler.open(QIODevice::WriteOnly);
            while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
            }
        }
        ASSERT_TRUE(fault.make(*this, m_site));
        const Files before = filesIn(m_root.path());
        const RunReport report = run(true);
        const PageResult& failed = report.pages.front(); // a/p1.html comes first
        EXPECT_TRUE(failed.message.startsWith(fault.message)) << failed.message.toStdString();
        EXPECT_EQ(!report.stopMessage.isEmpty(), fault.stops);
        const Files after = filesIn(m_root.path());
        for (const auto& [path, file] : before) {
            const bool rewrittenPage = !fault.stops && path.startsWith("shop/") && path != "shop/a/p1.html";
            EXPECT_EQ(after.at(path).first == file.first, !rewrittenPage) << path.toStdString();
        }
        EXPECT_FALSE(after.count("shop-before-payment-links-" + QDate::currentDate().toString(Qt::ISODate) +
                                 "/a/p1.html"));
    }
}

TEST(Journal, KeepsOneLinkPerKeySurvivesATornLineAndAdmitsOneRun)
{
    QTemporaryDir root;
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    auto journal = std::make_unique<Journal>();
    ASSERT_TRUE(journal->open(root.path()));
    EXPECT_TRUE(journal->recordLink(QStringLiteral("k1"),
                                    {QStringLiteral("https://l/1"), QStringLiteral("ID\t1\n")}));
    EXPECT_FALSE(
        journal->recordLink(QStringLiteral("k1"), {QStringLiteral("https://l/2"), QStringLiteral("ID2")}));
    Journal second;
    EXPECT_FALSE(second.open(root.path()));
    EXPECT_EQ(second.errorString(),
              QStringLiteral("Another run is already working on “%1”.").arg(root.path()));
    const QString path = journal->filePath();
    journal.reset();
    for (const QByteArray torn : {"link\tk2\thttps://l/3\tI", "link\tk3\thttps://l/4\tID4\t00000000\n"}) {
        QFile file(path);
        file.open(QIODevice::Append);
        file.write(torn);
        file.close();
        Journal reopened;
        ASSERT_TRUE(reopened.open(root.path()));
        EXPECT_EQ(reopened.link(QStringLiteral("k1"))->id, QStringLiteral("ID\t1\n"));
        const QString key = torn.contains("k2") ? QStringLiteral("k2") : QStringLiteral("k3");
        EXPECT_FALSE(reopened.link(key));
        EXPECT_TRUE(reopened.recordLink(key, {}));
    }
    Journal last;
    ASSERT_TRUE(last.open(root.path()));
    EXPECT_TRUE(last.link(QStringLiteral("k2")) && last.link(QStringLiteral("k3")));
}

} // namespace
