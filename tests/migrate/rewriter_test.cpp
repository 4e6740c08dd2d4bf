#include "buttoncode.h"
#include "credentialstore.h"
#include "fakepaypal.h"
#include "journal.h"
#include "pageedit.h"
#include "rewriter.h"
#include "sitemove.h"
#include "siteplan.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QUrl>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <random>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace quorvane;

QT_BEGIN_NAMESPACE
void PrintTo(const QString& text, std::ostream* out)
{
    *out << text.toStdString();
}
QT_END_NAMESPACE

namespace {

// Root passes every permission check; the tests drop that, as a seller's account has none.
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
const QString Code = "<a href=\"https://www.paypal.com/ncp/payment/X\"><img src=\"b.gif\"></a>";

bool chmod(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// The form and the code in a page's encoding: UTF-16 in u16.html, else UTF-8.
QByteArray inPage(const QString& page, const QString& text)
{
    return QByteArray::fromStdString(
        inPageEncoding(text.toStdString(), page.startsWith("u16") ? "UTF-16LE" : "UTF-8"));
}

TEST(PageEdit, ReplacementsInPlace)
{
    const QByteArray page = QByteArray::fromHex("300d0a3300ff36373839"); // 0 \r \n 3 \0 \xff 6 7 8 9
    const std::vector<std::pair<std::vector<Replacement>, std::optional<QByteArray>>> rows = {
        {{}, page},
        {{{0, 0, "<"}, {10, 10, ">"}}, "<" + page + ">"},
        {{{0, 3, "AB"}, {3, 3, "+"}, {5, 7, ""}}, QByteArray::fromHex("41422b3300373839")},
        {{{0, 10, ""}}, ""},
        {{{2, 5, "x"}, {4, 6, "y"}}, std::nullopt}, // overlapping
        {{{8, 11, "x"}}, std::nullopt},             // past the end
        {{{5, 3, "x"}}, std::nullopt},              // backwards
    };
    for (const auto& [replacements, expected] : rows) {
        EXPECT_EQ(applyReplacements(page, replacements), expected);
    }
}

class SiteTest : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path())); }
    void TearDown() override
    {
        chmod(m_root.path(), 0700);
        for (QDirIterator dirs(m_root.path(), QDir::Dirs | QDir::NoDotAndDotDot,
                               QDirIterator::Subdirectories);
             dirs.hasNext();) {
            chmod(dirs.next(), 0700);
        }
        ::umount2(QFile::encodeName(m_site).constData(), MNT_DETACH);
        ::umount2(QFile::encodeName(m_root.path()).constData(), MNT_DETACH);
        QDir(m_root.path()).removeRecursively();
        QDir(m_data.path()).removeRecursively();
    }
    void makeSite()
    {
        ASSERT_TRUE(QDir().mkpath(m_site + "/a"));
        for (const auto& [path, file] : m_start) {
            QFile out(m_site + '/' + path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(file.first) == file.first.size());
            ASSERT_TRUE(chmod(out.fileName(), file.second));
        }
    }
    static Files filesIn(const QString& folder)
    {
        Files files;
        for (QDirIterator found(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             found.hasNext();) {
            QFile in(found.next());
            struct stat status = {};
            ::stat(QFile::encodeName(in.fileName()).constData(), &status);
            in.open(QIODevice::ReadOnly);
            files[QDir(folder).relativeFilePath(in.fileName())] = {in.readAll(), status.st_mode & 07777};
        }
        return files;
    }
    std::vector<PageEdit> edits() const
    {
        std::vector<PageEdit> edits;
        for (const auto& [path, file] : m_start) {
            const QByteArray form = inPage(path, Form);
            edits.push_back({path, sha256Of(file.first), {}});
            for (qsizetype at = file.first.indexOf(form); at >= 0; at = file.first.indexOf(form, at + 1)) {
                edits.back().replacements.push_back({at, at + form.size(), inPage(path, Code)});
            }
        }
        return edits;
    }
    // What the site should hold: the first `pages` pages with every form replaced.
    Files rewritten(std::size_t pages = SIZE_MAX) const
    {
        Files files;
        for (auto [path, file] : m_start) {
            files[path] = {files.size() < pages ? file.first.replace(inPage(path, Form), inPage(path, Code))
                                                : file.first,
                           file.second};
        }
        return files;
    }
    // A move as the window makes it: a link per item (pages share them), then the pages;
    // or the restore.
    RunReport run(bool rewrite, int cancelAfter = 0)
    {
        Journal journal;
        EXPECT_TRUE(journal.open(m_site)) << journal.errorString().toStdString();
        for (const auto& [path, file] : rewrite ? m_start : Files()) {
            const QString key = sha256Of(path.toUtf8()).toHex().left(1);
            EXPECT_TRUE(journal.link(key) || journal.recordLink(key, {"https://l/" + key, key}));
        }
        std::atomic_bool cancel = false;
        int calls = 0;
        const RunProgress progress = [&](int done, int, const QString&) {
            EXPECT_EQ(done, ++calls);
            cancel = done == cancelAfter;
            EXPECT_TRUE(m_pagesDone < 0 || ::write(m_pagesDone, "p", 1) == 1);
        };
        return rewrite ? rewritePages(journal, edits(), progress, cancel)
                       : restorePages(journal, progress, cancel);
    }

    QTemporaryDir m_root;
    QTemporaryDir m_data;
    const QString m_site = m_root.filePath("shop");
    const QString m_backups = "shop-before-payment-links-" + QDate::currentDate().toString(Qt::ISODate);
    int m_pagesDone = -1; // where a run in another process tells each page done
    Files m_start = {{"a/p1.html", {"<b>" + Form + "\n", 0604}},
                     {"index.html", {"<p>\r\n" + Form + "x" + Form + "\xff", 0640}},
                     {"u16.html", {"\xff\xfe" + inPage("u16", "<p>" + Form + "</p>"), 0644}}};
};

TEST_F(SiteTest, RewritesOnlyTheRangesKeepsPermissionsResumesAndRestoresEveryByte)
{
    makeSite();
    const QByteArray index = QFile::encodeName(m_site + "/u16.html");
    ASSERT_EQ(::chown(index.constData(), 4321, 4322), 0); // the web server's group, say
    const RunReport cancelled = run(true, 1);
    EXPECT_TRUE(cancelled.cancelled && cancelled.pages.back().outcome == PageOutcome::NotReached);
    EXPECT_EQ(filesIn(m_site), rewritten(1));
    // Run again, as after a stop: the written page is recognised, the same backup folder goes on.
    const RunReport resumed = run(true);
    EXPECT_EQ(resumed.pages.front().outcome, PageOutcome::AlreadyWritten);
    EXPECT_EQ(resumed.backupFolder, m_root.filePath(m_backups));
    EXPECT_EQ(filesIn(m_site), rewritten());
    EXPECT_EQ(filesIn(m_root.filePath(m_backups)), m_start);
    struct stat status = {};
    EXPECT_TRUE(::stat(index.constData(), &status) == 0 && status.st_uid == 4321 && status.st_gid == 4322);
    const RunReport again = run(true);
    EXPECT_EQ(again.pages.back().outcome, PageOutcome::AlreadyWritten);
    EXPECT_EQ(again.backupFolder, QString());
    EXPECT_EQ(filesIn(m_root.path()).size(), 2 * m_start.size()); // the site and its backups, no more
    EXPECT_EQ(run(false).pages.size(), m_start.size());
    EXPECT_EQ(filesIn(m_site), m_start);
}

TEST_F(SiteTest, EachFaultNamesTheFileAndTouchesNothingElse)
{
    const QString page = m_site + "/a/p1.html";
    const std::vector<std::tuple<const char*, std::function<bool()>, QString, bool>> faults = {
        {"changed", [&] { return QFile(page).resize(4); },
         QString("“%1” changed after the folder was scanned").arg(page), false},
        {"unreadable", [&] { return chmod(page, 0); }, QString("“%1” could not be read (").arg(page), false},
        {"read-only folder", [&] { return chmod(m_site + "/a", 0555); },
         QString("The folder “%1/a” is read-only, so “%2” could not be written; it was left")
             .arg(m_site, page),
         false},
        {"outside", [&] { return QFile::remove(page) && QFile::link(m_data.path(), page); },
         QString("“%1” lies outside “%2”, so it was left as it is.").arg(page, m_site), false},
        {"backup folder", [&] { return chmod(m_root.path(), 0555); },
         QString("The folder “%1” is read-only, so “%2/a/p1.html” could not be written; “%3” was left")
             .arg(m_root.path(), m_root.filePath(m_backups), page),
         true},
        {"full disk", [&] { return true; },
         QString("The disk holding “%1” is full, so no page was changed.").arg(m_site), true},
        {"full backup disk", [&] { return true; }, QString("The disk holding “%1” has ").arg(m_root.path()),
         true},
    };
    for (const auto& [name, make, message, stops] : faults) {
        SCOPED_TRACE(name);
        TearDown();
        // A full disk: the site, or the site and the backups, on a disk of 64 KiB filled up.
        const QString disk = QString(name) == "full disk" ? m_site
                             : name[5] == 'b'             ? m_root.path()
                                                          : QString();
        if (!disk.isEmpty() &&
            (!QDir().mkpath(disk) || ::mount("tmpfs", QFile::encodeName(disk), "tmpfs", 0, "size=64k"))) {
            GTEST_SKIP() << "no tmpfs can be mounted here";
        }
        makeSite();
        QFile filler(disk + "/.filler");
        while (!disk.isEmpty() && filler.open(QIODevice::Append) && filler.write(QByteArray(4096, 'x')) > 0 &&
               filler.flush()) {
            filler.close();
        }
        ASSERT_TRUE(make());
        const Files before = filesIn(m_root.path());
        const RunReport report = run(true);
        const QString said = stops ? report.stopMessage : report.pages.front().message; // a/p1.html is first
        EXPECT_TRUE(said.startsWith(message)) << said.toStdString();
        EXPECT_EQ(report.stopMessage.isEmpty(), !stops);
        Files expected = before; // the other pages rewritten and backed up unless the run stopped
        for (const auto& [path, file] : stops ? Files() : rewritten()) {
            if (path != "a/p1.html") {
                expected["shop/" + path] = file;
                expected[m_backups + '/' + path] = m_start.at(path);
            }
        }
        EXPECT_EQ(filesIn(m_root.path()), expected);
    }
}

TEST(Journal, KeepsOneLinkPerKeySurvivesATornLineAndAdmitsOneRun)
{
    QTemporaryDir root, data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    auto journal = std::make_unique<Journal>();
    ASSERT_TRUE(journal->open(root.path()));
    EXPECT_TRUE(journal->recordLink("k1", {"https://l/1", "ID\t1\n"}));
    EXPECT_FALSE(journal->recordLink("k1", {"https://l/2", "ID2"}));
    Journal second;
    EXPECT_FALSE(second.open(root.path()));
    EXPECT_EQ(second.errorString(), QString("Another run is already working on “%1”.").arg(root.path()));
    const QString path = journal->filePath();
    journal.reset();
    // Cut short by a crash, or damaged.
    for (const auto& [key, line] :
         {std::pair("k2", "link\tk2\thttps://l/3\tI"), {"k3", "link\tk3\thttps://l/4\tI\t0\n"}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::Append) && file.write(line) > 0);
        file.close();
        Journal reopened;
        ASSERT_TRUE(reopened.open(root.path()));
        EXPECT_EQ(reopened.link("k1")->id, "ID\t1\n");
        EXPECT_FALSE(reopened.link(key));
        EXPECT_EQ(reopened.link("k2").has_value(), key == QString("k3")); // recorded after the torn line
        EXPECT_TRUE(reopened.recordLink(key, {}));
    }
}

// The move killed (SIGKILL) at random moments of the links, the rewrite and the restore, then run again.
TEST_F(SiteTest, KilledAtAnyMomentLeavesEveryPageWholeAndEachLinkOnce)
{
    for (int page = 0; page < 25; ++page) {
        m_start["a/s" + QString::number(page) + ".html"] = {QByteArray(page * 90, 'x') + Form, 0640};
    }
    makeSite();
    const Files result = rewritten();
    QElapsedTimer timer;
    timer.start();
    run(true);
    const double rewriteTime = timer.restart() / 1000.0;
    run(false);
    const double restoreTime = timer.elapsed() / 1000.0;
    std::mt19937 random{std::random_device()()};
    std::map<bool, int> midway;
    for (int moment = 0; moment < 50; ++moment) {
        TearDown();
        makeSite();
        for (const bool rewrite : {true, false}) {
            SCOPED_TRACE(::testing::Message() << moment << (rewrite ? " rewrite" : " restore"));
            // Killed after a random number of pages and a random part of the next one's time.
            int pagesDone[2];
            ASSERT_EQ(pipe(pagesDone), 0);
            const pid_t child = fork();
            if (child == 0) {
                m_pagesDone = pagesDone[1];
                run(rewrite);
                _exit(0);
            }
            close(pagesDone[1]);
            char page = 0;
            for (int pages = std::uniform_int_distribution<>(0, int(m_start.size()))(random);
                 pages > 0 && read(pagesDone[0], &page, 1) == 1; --pages) {
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(std::uniform_real_distribution<>(
                0, (rewrite ? rewriteTime : restoreTime) / double(m_start.size()))(random)));
            ASSERT_TRUE(kill(child, SIGKILL) == 0 && waitpid(child, nullptr, 0) == child);
            close(pagesDone[0]);
            int done = 0;
            const Files now = filesIn(m_site);
            for (const auto& [path, file] : m_start) {
                done += now.at(path) == result.at(path);
                EXPECT_TRUE(now.at(path) == file || now.at(path) == result.at(path)) << path.toStdString();
            }
            midway[rewrite] += done > 0 && done < int(m_start.size());
            run(rewrite);
            EXPECT_EQ(filesIn(m_site), rewrite ? result : m_start);
            Journal journal;
            ASSERT_TRUE(journal.open(m_site));
            EXPECT_EQ(journal.writtenPages().size(), rewrite ? m_start.size() : 0U);
            QFile file(journal.filePath());
            const QByteArray records = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            for (const char key : QByteArray("0123456789abcdef")) {
                EXPECT_LE(records.count("link\t" + QByteArray(1, key) + '\t'), 1) << key;
            }
        }
    }
    EXPECT_GE(std::min(midway[true], midway[false]), 35); // most kills land among the pages
}

// `quorvane migrate` on a copy of the sample site against the fake PayPal.
class CommandLineTest : public SiteTest
{
protected:
    struct Run
    {
        int exit = -1;
        QString out;
        QString err;
        std::map<QString, QString> links;     // by "page:line", of each row with a link
        std::map<QString, int> rewrittenRows; // by page
        std::set<QString> rewritten;          // "page:line"
    };

    void SetUp() override
    {
        SiteTest::SetUp();
        static int argc = 1;
        static char name[] = "rewriter_tests";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv); // for QProcess
        copySite();
    }
    void copySite()
    {
        ASSERT_TRUE(QDir().mkpath(m_root.path()));
        ASSERT_EQ(QProcess::execute("cp", {"-a", QUORVANE_SAMPLE_SITE, m_site}), 0);
    }
    // Started with the secret on standard input; finished unless `killAfter` seconds come first.
    Run migrate(QStringList arguments, const QString& client = "fake-client", double killAfter = -1)
    {
        QProcess program;
        program.start(QUORVANE_PROGRAM, QStringList{"migrate", m_site, "--client-id", client} + arguments);
        program.write("fake-secret\n");
        program.waitForBytesWritten(10000); // now, not once the kill comes
        program.closeWriteChannel();
        if (killAfter >= 0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(killAfter));
            ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
        }
        program.waitForFinished(60000);
        Run run{program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
                QString::fromUtf8(program.readAllStandardOutput()),
                QString::fromUtf8(program.readAllStandardError()),
                {},
                {},
                {}};
        for (const QString& line : run.out.split('\n', Qt::SkipEmptyParts)) {
            if (const QStringList row = line.split('\t'); row.size() == 5 && !row[4].isEmpty()) {
                run.links[row[0]] = row[4];
                if (row[3] == "Page rewritten") {
                    run.rewritten.insert(row[0]);
                    ++run.rewrittenRows[row[0].section(':', 0, 0)];
                }
            }
        }
        return run;
    }
    // The sample site as it should be once the rows rewritten got their links: every other byte as it was.
    Files expectedSite(const Run& run) const
    {
        Files site = filesIn(QUORVANE_SAMPLE_SITE);
        const SiteScan scan = scanSite(QUORVANE_SAMPLE_SITE);
        ButtonRequest preset;
        preset.UsePresetImage = true;
        preset.ChosenImage = 1;
        for (const ScannedPage& page : scan.pages) {
            std::vector<Replacement> replacements;
            for (const FoundForm& form : page.forms) {
                const QString row =
                    QString::fromStdString(page.relativePath) + ':' + QString::number(form.line);
                if (run.rewritten.count(row)) {
                    const std::string code = replacementCode(run.links.at(row).toStdString(),
                                                             pictureFor(form, pictureUrl(preset)));
                    replacements.push_back({qint64(form.begin), qint64(form.end),
                                            QByteArray::fromStdString(inPageEncoding(code, page.encoding))});
                }
            }
            auto& file = site[QString::fromStdString(page.relativePath)];
            file.first = *applyReplacements(file.first, replacements);
        }
        for (auto& [path, file] : site) { // a link to a page shows the page
            const QFileInfo link(QString(QUORVANE_SAMPLE_SITE) + '/' + path);
            if (link.isSymLink() &&
                site.count(QDir(QUORVANE_SAMPLE_SITE).relativeFilePath(link.canonicalFilePath()))) {
                file = site[QDir(QUORVANE_SAMPLE_SITE).relativeFilePath(link.canonicalFilePath())];
            }
        }
        return site;
    }
    // The links the journal of the site holds.
    std::set<QString> journalLinks() const
    {
        std::set<QString> links;
        for (const auto& [path, file] : filesIn(m_data.path())) {
            for (const QByteArray& line : file.first.split('\n')) {
                if (const QList<QByteArray> fields = line.split('\t');
                    fields.size() >= 3 && fields[0] == "link") {
                    links.insert(QUrl::fromPercentEncoding(fields[2]));
                }
            }
        }
        return links;
    }
    // The creates the fake received for each request id of the client.
    static void countCreates(quorvane::testing::FakePayPal& fake, std::map<QString, int>& creates)
    {
        for (const QJsonObject& call : fake.requests()) {
            if (call["method"] == "POST" && call["path"] == "/v1/checkout/payment-resources") {
                ++creates[call["client"].toString() + ' ' + call["request_id"].toString()];
            }
        }
    }
};

TEST_F(CommandLineTest, DryRunLinksRewriteAndRunsAgainEachLinkOnceAndTheSameItemReused)
{
    // The account holds the mug at 9.50 as it would be made, and the mug at 9.75 with another return page.
    const SitePlan plan = planSite(scanSite(QUORVANE_SAMPLE_SITE).pages);
    QStringList seeds;
    for (const PlannedLink& link : plan.links) {
        if (link.body.contains("\"name\":\"Mug\"")) {
            seeds << "--seed"
                  << QString(link.body).replace("/thanks\"",
                                                link.body.contains("9.75") ? "/other\"" : "/thanks\"");
        }
    }
    ASSERT_EQ(seeds.size(), 4);
    quorvane::testing::FakePayPal fake(5, seeds);
    const Files sample = filesIn(QUORVANE_SAMPLE_SITE);
    const QString report = m_root.filePath("report.csv");
    struct Step
    {
        const char* name;
        QStringList arguments;
        int exit;
        std::size_t creates; // in all so far
        bool rewritten;
    };
    const Step steps[] = {
        {"dry run", {"--dry-run", "--report", report}, 0, 0, false},
        {"links", {"--sandbox"}, 0, plan.links.size() - 1, false}, // the mug is in the account already
        {"rewrite", {"--rewrite", "--report", report}, 0, plan.links.size() - 1, true},
        {"again", {"--rewrite"}, 0, plan.links.size() - 1, true},
        {"both environments", {"--live", "--sandbox"}, 2, plan.links.size() - 1, true},
        {"help", {"--help"}, 0, plan.links.size() - 1, true},
    };
    std::map<QString, int> creates;
    Files expected = sample;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Run run = migrate(step.arguments);
        EXPECT_EQ(run.exit, step.exit) << run.err.toStdString();
        countCreates(fake, creates);
        EXPECT_EQ(creates.size(), step.creates);
        EXPECT_TRUE(std::all_of(creates.begin(), creates.end(), [](const auto& c) { return c.second == 1; }));
        if (step.rewritten && step.arguments.contains("--report")) {
            expected = expectedSite(run);
            EXPECT_TRUE(expected != sample);
            QFile csv(report);
            ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
            const QString written = QString::fromUtf8(csv.readAll());
            for (const auto& [row, link] : run.links) {
                EXPECT_TRUE(written.contains(',' + link + "\r\n")) << row.toStdString();
                EXPECT_TRUE(journalLinks().count(link)) << row.toStdString();
            }
            // Read again, the rewritten pages hold only the forms that were not moved.
            std::map<std::string, int> forms;
            for (const ScannedPage& page : scanSite(QUORVANE_SAMPLE_SITE).pages) {
                forms[page.relativePath] +=
                    int(page.forms.size()) - run.rewrittenRows[page.relativePath.c_str()];
            }
            for (const ScannedPage& page : scanSite(m_site.toStdString()).pages) {
                forms[page.relativePath] -= int(page.forms.size());
            }
            EXPECT_TRUE(std::all_of(forms.begin(), forms.end(), [](const auto& f) { return f.second == 0; }));
            EXPECT_GE(run.rewritten.size(), 20U);
        }
        for (const auto& [path, file] : filesIn(m_site)) {
            EXPECT_TRUE(file == expected[path]) << path.toStdString();
        }
        EXPECT_EQ(std::string(step.name) == "dry run",
                  filesIn(m_data.path()).empty()); // a dry run writes nothing
        EXPECT_EQ(QFile::exists(report),
                  std::string(step.name) != "dry run" && std::string(step.name) != "links");
        if (std::string(step.name) == "links") {
            EXPECT_TRUE(run.links["index.html:6"].contains("/SEED")) << run.out.toStdString();
            EXPECT_TRUE(run.links["dup/other-price.html:5"].contains("/FAKE")); // its return page differs
        }
    }
    EXPECT_TRUE(migrate({"--help"}).out.contains("Exit codes:"));
    // No credentials, a missing folder, a missing module.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvane-no-bus");
    QProcess keyring;
    keyring.start(QUORVANE_PROGRAM, {"migrate", m_site});
    keyring.closeWriteChannel();
    EXPECT_TRUE(keyring.waitForFinished(30000) && keyring.exitCode() == 3)
        << keyring.readAllStandardError().data();
    EXPECT_EQ(QProcess::execute(QUORVANE_PROGRAM, {"migrate", m_root.filePath("none"), "--dry-run"}), 4);
    ASSERT_TRUE(QFile::copy(QUORVANE_PROGRAM, m_root.filePath("quorvane")));
    EXPECT_EQ(QProcess::execute(m_root.filePath("quorvane"), {"migrate", m_site, "--dry-run"}), 5);
}

// The client ID and secret the link windows remembered, from a private Secret Service
// (QUORVANE_KEYRING=1, through inkeyring.sh); never the desktop's own keyring.
TEST_F(CommandLineTest, CredentialsFromTheKeyring)
{
    if (qEnvironmentVariable("QUORVANE_KEYRING") != "1") {
        GTEST_SKIP() << "run by migrate.keyring only";
    }
    quorvane::testing::FakePayPal fake;
    const std::unique_ptr<CredentialStore> store = makeCredentialStore();
    QEventLoop loop;
    QObject::connect(store.get(), &CredentialStore::loaded, &loop, &QEventLoop::quit);
    QObject::connect(store.get(), &CredentialStore::unavailable, &loop, &QEventLoop::quit);
    store->save(Environment::Live, {"fake-client", "fake-secret"});
    store->load(Environment::Live);
    loop.exec();
    QProcess program;
    program.start(QUORVANE_PROGRAM, {"migrate", m_site, "--live"});
    program.closeWriteChannel();
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    EXPECT_TRUE(program.readAllStandardOutput().contains("\tLink made\thttps://"));
    std::map<QString, int> creates;
    countCreates(fake, creates);
    EXPECT_EQ(creates.size(), planSite(scanSite(QUORVANE_SAMPLE_SITE).pages).links.size());
}

// The engine as the window drives it: the preview, rewriting, and restoring every byte.
TEST_F(CommandLineTest, TheWindowsStepsPreviewRewriteAndRestore)
{
    quorvane::testing::FakePayPal fake;
    SiteMove move;
    QStringList problems;
    const auto step = [&](const std::function<void()>& start) {
        QEventLoop loop;
        const auto done = QObject::connect(&move, &SiteMove::finished, [&](const QStringList& said) {
            problems = said;
            loop.quit();
        });
        start();
        if (move.isBusy()) {
            loop.exec();
        }
        QObject::disconnect(done);
    };
    step([&] { move.scan(m_site); });
    ASSERT_GT(move.rowCount(), 40);
    for (int row = 0; row < move.rowCount(); ++row) { // all but the pages of shop/
        move.setTicked(row, !move.row(row).page.startsWith("shop/"));
    }
    step([&] {
        move.makeLinks(Environment::Sandbox, "fake-client", "fake-secret", "https://example.com/b.gif");
    });
    EXPECT_EQ(problems, QStringList());
    const RewritePreview preview = move.preview();
    EXPECT_EQ(preview.page, "dup/other-price.html");
    EXPECT_EQ(preview.line, 5);
    EXPECT_TRUE(preview.oldLines.front().startsWith("<form") && preview.oldLines.back() == "</form>");
    EXPECT_EQ(preview.newLine, move.row(1).pageCode);
    EXPECT_TRUE(preview.newLine.contains(move.row(1).link));
    EXPECT_EQ(preview.backupFolder, m_root.filePath(m_backups));
    step([&] { move.rewritePages(); });
    const Files rewritten = filesIn(m_site);
    int changed = 0;
    for (const auto& [path, file] : filesIn(QUORVANE_SAMPLE_SITE)) {
        changed += file != rewritten.at(path) && !QFileInfo(m_site + '/' + path).isSymLink();
        EXPECT_TRUE(!path.startsWith("shop/") || file == rewritten.at(path)) << path.toStdString();
    }
    EXPECT_EQ(changed, preview.files);
    EXPECT_EQ(move.preview().files, 0);
    step([&] { move.restorePages(); });
    EXPECT_TRUE(filesIn(m_site) == filesIn(QUORVANE_SAMPLE_SITE));
    EXPECT_EQ(move.preview().files, preview.files); // the links are there to rewrite again
}

// Killed (SIGKILL) at random moments while making links and rewriting, then run again; the
// fake PayPal anew each time, so the same links come.
TEST_F(CommandLineTest, KilledAtAnyMomentLeavesEveryPageWholeAndEachButtonOneLink)
{
    const QStringList slow = {"--create-delay", "0.05"};
    const Files sample = filesIn(QUORVANE_SAMPLE_SITE);
    // Every other kill comes once the links are made, while the pages are rewritten.
    QElapsedTimer timer;
    double runTime[2] = {};
    Run reference;
    for (const bool linksFirst : {false, true}) {
        TearDown();
        copySite();
        quorvane::testing::FakePayPal fake(5, slow);
        if (linksFirst) {
            migrate({});
        }
        timer.start();
        reference = migrate({"--rewrite"});
        runTime[linksFirst] = timer.elapsed() / 1000.0;
        ASSERT_EQ(reference.exit, 0) << reference.err.toStdString();
    }
    const Files result = filesIn(m_site);
    std::set<QString> links;
    for (const auto& [row, link] : reference.links) {
        links.insert(link);
    }
    std::mt19937 random{std::random_device()()};
    int linksMidway = 0, pagesMidway = 0;
    for (int moment = 0; moment < 50; ++moment) {
        SCOPED_TRACE(moment);
        TearDown();
        copySite();
        quorvane::testing::FakePayPal fake(5, slow);
        if (moment % 2 == 1) {
            migrate({});
        }
        migrate({"--rewrite"}, "fake-client",
                std::uniform_real_distribution<>(0, runTime[moment % 2])(random));
        const Files killed = filesIn(m_site);
        const std::size_t linksThen = journalLinks().size();
        const QString report = m_root.filePath("report.csv");
        const Run again = migrate({"--rewrite", "--report", report});
        ASSERT_EQ(again.exit, 0) << again.err.toStdString();
        EXPECT_TRUE(filesIn(m_site) == result);
        int rewritten = 0;
        for (const auto& [path, file] : sample) {
            EXPECT_TRUE(killed.at(path) == file || killed.at(path) == result.at(path)) << path.toStdString();
            rewritten += killed.at(path) != file;
        }
        std::map<QString, int> creates;
        countCreates(fake, creates);
        EXPECT_TRUE(std::all_of(creates.begin(), creates.end(), [](const auto& c) { return c.second <= 1; }));
        EXPECT_EQ(journalLinks(), links);
        QFile csv(report);
        ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
        const QByteArray written = csv.readAll();
        for (const auto& [row, link] : again.links) {
            EXPECT_TRUE(links.count(link) && written.contains(link.toUtf8())) << row.toStdString();
        }
        // Pages the killed run rewrote are still reported, at their old lines, with their links.
        EXPECT_EQ(again.links, reference.links);
        EXPECT_EQ(again.rewritten, reference.rewritten);
        for (const QString& row : reference.rewritten) {
            const qsizetype at = written.indexOf('\n' + QString(row).replace(':', ',').toUtf8() + ',');
            const QByteArray line = at < 0 ? QByteArray() : written.mid(at, written.indexOf('\r', at) - at);
            EXPECT_TRUE(line.endsWith(",Page rewritten," + reference.links.at(row).toUtf8()))
                << row.toStdString();
        }
        linksMidway += linksThen > 0 && linksThen < links.size();
        pagesMidway += rewritten > 0 && killed != result;
    }
    std::printf("killed while making links: %d, while rewriting: %d of 50\n", linksMidway, pagesMidway);
    EXPECT_GE(linksMidway, 3);
    EXPECT_GE(pagesMidway, 3);
}

} // namespace
