#include "migratecommand.h"

#include "credentialstore.h"
#include "sitemove.h"

#include <QCommandLineParser>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace quorvane {

namespace {

const QString HelpText = QStringLiteral(R"(Usage: quorvane migrate FOLDER [options]

Finds every PayPal button in the pages of FOLDER, makes a payment link for each
button that can move (the same item on several pages gets one link) and, with
--rewrite, replaces each moved button by its link. Every page is copied to
FOLDER-before-payment-links-DATE beside the site before it is rewritten; a run
that is stopped resumes without a second link or a half-written page.

Options:
  --sandbox          Make the links in PayPal's Sandbox (the default).
  --live             Make real links, for real money.
  --dry-run          Only list what would happen: no request, nothing written.
  --rewrite          Rewrite the pages once the links are made.
  --report FILE.csv  Save page, line, item, price, state and link as CSV.
  --client-id ID     Use this app's client ID and read its secret from
                     standard input; else the keyring's, as the payment link
                     window remembers them.
  -h, --help         Show this text.

Exit codes:
  0  Done: every ticked button has its link (and its page rewritten with
     --rewrite); buttons that need a hand edit are listed.
  1  A link or a page failed: standard error and the report say which.
  2  The arguments are wrong.
  3  No client ID and secret: none in the keyring, or none on standard input.
  4  The folder cannot be read, or another run is moving it.
  5  The program's PayPal module is missing or broken.
)");

class Output
{
public:
    Output() : m_progressShown(::isatty(STDERR_FILENO) == 1) {}

    void error(const QString& line)
    {
        clearProgress();
        std::fprintf(stderr, "quorvane migrate: %s\n", qPrintable(line));
    }
    void out(const QString& line)
    {
        clearProgress();
        std::fprintf(stdout, "%s\n", line.toUtf8().constData());
        std::fflush(stdout);
    }
    void progress(int done, int total, const QString& what)
    {
        if (m_progressShown) {
            std::fprintf(stderr, "\r\033[K%s: %d of %d", what.toUtf8().constData(), done, total);
            std::fflush(stderr);
            m_lineOpen = true;
        }
    }
    void clearProgress()
    {
        if (m_lineOpen) {
            std::fprintf(stderr, "\r\033[K");
            m_lineOpen = false;
        }
    }

private:
    bool m_progressShown;
    bool m_lineOpen = false;
};

// Runs one step of the move and waits for its end; the problems it reported.
template <typename Start> QStringList await(SiteMove& move, Start&& start)
{
    QEventLoop loop;
    QStringList problems;
    const auto connection = QObject::connect(&move, &SiteMove::finished, &loop, [&](const QStringList& said) {
        problems = said;
        loop.quit();
    });
    start();
    if (move.isBusy()) {
        loop.exec();
    }
    QObject::disconnect(connection);
    return problems;
}

// One line of standard input, not echoed when it is a terminal.
QString secretFromStandardInput()
{
    termios saved = {};
    const bool terminal = ::isatty(STDIN_FILENO) == 1 && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        std::fprintf(stderr, "Secret: ");
        std::fflush(stderr);
    }
    QFile input;
    QString secret;
    if (input.open(stdin, QIODevice::ReadOnly)) {
        secret = QString::fromUtf8(input.readLine(4096)).trimmed();
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    return secret;
}

Credentials fromKeyring(Environment environment, QString& problem)
{
    const std::unique_ptr<CredentialStore> store = makeCredentialStore();
    QEventLoop loop;
    Credentials credentials;
    QObject::connect(store.get(), &CredentialStore::loaded, &loop,
                     [&](Environment loaded, const Credentials& remembered) {
                         if (loaded == environment) {
                             credentials = remembered;
                             loop.quit();
                         }
                     });
    QObject::connect(store.get(), &CredentialStore::unavailable, &loop, [&](const QString& reason) {
        problem = reason;
        loop.quit();
    });
    store->load(environment);
    loop.exec();
    return credentials;
}

int code(MigrateExit exit)
{
    return static_cast<int>(exit);
}

} // namespace

int runMigrateCommand(const QStringList& arguments)
{
    Output output;
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FOLDER"), {});
    const QCommandLineOption sandbox(QStringLiteral("sandbox")), live(QStringLiteral("live")),
        dryRun(QStringLiteral("dry-run")), rewrite(QStringLiteral("rewrite")),
        report(QStringLiteral("report"), {}, QStringLiteral("FILE.csv")),
        clientIdOption(QStringLiteral("client-id"), {}, QStringLiteral("ID")),
        help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({sandbox, live, dryRun, rewrite, report, clientIdOption, help});
    if (!parser.parse(QStringList{QStringLiteral("quorvane migrate")} + arguments)) {
        output.error(parser.errorText() + QStringLiteral("; see quorvane migrate --help"));
        return code(MigrateExit::BadArguments);
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(HelpText), stdout);
        return code(MigrateExit::Done);
    }
    if (parser.positionalArguments().size() != 1 || (parser.isSet(sandbox) && parser.isSet(live))) {
        output.error(parser.positionalArguments().size() != 1
                         ? QStringLiteral("name one folder; see quorvane migrate --help")
                         : QStringLiteral("--sandbox and --live together; choose one"));
        return code(MigrateExit::BadArguments);
    }
    const Environment environment = parser.isSet(live) ? Environment::Live : Environment::Sandbox;

    SiteMove move;
    QObject::connect(&move, &SiteMove::progress, &move,
                     [&](int done, int total, const QString& what) { output.progress(done, total, what); });
    QObject::connect(&move, &SiteMove::waiting, &move, [&](const QString& text) { output.error(text); });
    const QString folder = parser.positionalArguments().front();
    const QStringList scanProblems = await(move, [&] { move.scan(folder); });
    if (move.folder().isEmpty() || move.folder() != QFileInfo(folder).canonicalFilePath()) {
        output.error(scanProblems.value(0));
        return code(MigrateExit::NoSite);
    }
    for (const QString& problem : scanProblems) {
        output.error(problem);
    }

    QStringList problems;
    if (!parser.isSet(dryRun)) {
        Credentials credentials;
        QString problem;
        if (parser.isSet(clientIdOption)) {
            credentials = {parser.value(clientIdOption), secretFromStandardInput()};
        } else {
            credentials = fromKeyring(environment, problem);
        }
        if (credentials.clientId.isEmpty() || credentials.secret.isEmpty()) {
            output.error(QStringLiteral("no client ID and secret for %1 (%2); give --client-id ID and the "
                                        "secret on standard input, or save them in the payment link window")
                             .arg(environmentName(environment),
                                  problem.isEmpty() ? QStringLiteral("none remembered") : problem));
            return code(MigrateExit::NoCredentials);
        }
        // PayPal's first preset picture where a form shows none of its own.
        problems +=
            await(move, [&] { move.makeLinks(environment, credentials.clientId, credentials.secret, {}); });
        credentials.secret.fill(QLatin1Char('\0'));
        if (problems.size() == 1 && problems.front().startsWith(QLatin1String("No link was made: "))) {
            output.error(problems.front());
            return code(MigrateExit::NoSite);
        }
        if (parser.isSet(rewrite)) {
            problems += await(move, [&] { move.rewritePages(); });
        }
    }
    for (const QString& problem : problems) {
        output.error(problem);
    }
    int failed = 0;
    for (int r = 0; r < move.rowCount(); ++r) {
        const MoveRow& row = move.row(r);
        failed += row.state == MoveState::Failed;
        output.out(QStringList{row.page + QLatin1Char(':') + QString::number(row.line), row.item, row.price,
                               row.stateText, row.link}
                       .join(QLatin1Char('\t')));
    }
    if (parser.isSet(report) && parser.isSet(dryRun)) {
        output.error(QStringLiteral("a dry run writes nothing, so the report was not saved; the table above "
                                    "holds what it would"));
    } else if (QString error; parser.isSet(report) && !move.saveReport(parser.value(report), error)) {
        output.error(error);
        return code(MigrateExit::SomeFailed);
    }
    return code(failed > 0 || !problems.isEmpty() ? MigrateExit::SomeFailed : MigrateExit::Done);
}

} // namespace quorvane
