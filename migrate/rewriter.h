#pragma once

#include "pageedit.h"

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

namespace quorvane {

class Journal;

enum class PageOutcome
{
    Written,
    AlreadyWritten, // by an earlier run that was stopped
    Restored,
    AlreadyRestored,
    Skipped,    // left as it is; the message says why
    NotReached, // the run was cancelled or stopped before it
};

struct PageResult
{
    QString relativePath;
    PageOutcome outcome = PageOutcome::NotReached;
    QString message;
};

struct RunReport
{
    std::vector<PageResult> pages;
    QString backupFolder;
    QString stopMessage; // why the run stopped before its end, or empty
    bool cancelled = false;
};

// Called after each page with the pages done so far and the total.
using RunProgress = std::function<void(int done, int total, const QString& relativePath)>;

// Rewrites the pages of the journal's site. For each page: reads it and compares it
// with the page that was scanned (a page already rewritten by a stopped run is
// recognised, one that changed otherwise is left as it is), copies it to the backup
// folder beside the site and records that, writes the new page over it through a
// temporary file with the same permissions, then records it as written. A full disk,
// a backup that cannot be written or a record that cannot be kept stops the run;
// anything else leaves that one page as it is.
RunReport rewritePages(Journal& journal, const std::vector<PageEdit>& edits, const RunProgress& progress,
                       const std::atomic_bool& cancel);

// Where the next rewrite of the journal's site copies its pages: the folder of a run
// that was stopped, else a new one beside the site.
QString nextBackupFolder(const Journal& journal);

// Puts every backed-up page back, newest backup first, where the page is still as it
// was rewritten.
RunReport restorePages(Journal& journal, const RunProgress& progress, const std::atomic_bool& cancel);

} // namespace quorvane
