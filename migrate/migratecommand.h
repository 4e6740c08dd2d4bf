#pragma once

#include <QStringList>

namespace quorvane {

// What `quorvane migrate` ends with; --help lists them.
enum class MigrateExit
{
    Done = 0,       // every ticked button has its link (and its page rewritten with --rewrite)
    SomeFailed = 1, // a link or a page failed; the report and standard error say which
    BadArguments = 2,
    NoCredentials = 3,
    NoSite = 4,   // the folder cannot be read, or another run is moving it
    NoModule = 5, // the program's PayPal module is missing or broken (checked by the program)
};

// Runs `quorvane migrate` with the arguments after "migrate", in the running
// application's event loop: scans the folder, makes the links and, with --rewrite,
// rewrites the pages; a table on standard output, errors on standard error, and a
// progress line there too when it is a terminal. The secret never comes as an
// argument: from the keyring, or from standard input with --client-id.
int runMigrateCommand(const QStringList& arguments);

} // namespace quorvane
