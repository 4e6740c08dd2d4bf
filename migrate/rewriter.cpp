#include "rewriter.h"

#include "backup.h"
#include "journal.h"
#include "pagefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStorageInfo>

namespace quorvane {

namespace {

QString shown(const QString& path)
{
    return QStringLiteral("“") + QDir::toNativeSeparators(path) + QStringLiteral("”");
}

// Whether the path names a file inside the site, also where it or a folder on the way
// is a symbolic link.
bool staysInside(const QString& siteFolder, const QString& relativePath)
{
    const QString clean = QDir::cleanPath(relativePath);
    const QString canonical = QFileInfo(siteFolder + QLatin1Char('/') + clean).canonicalFilePath();
    return !relativePath.isEmpty() && QDir::isRelativePath(clean) && clean != QStringLiteral("..") &&
           !clean.startsWith(QStringLiteral("../")) &&
           (canonical.isEmpty() || canonical.startsWith(siteFolder + QLatin1Char('/')));
}

// The folder that exists nearest above a path: the one that refused it.
QString existingFolderOf(const QString& path)
{
    QString folder = QFileInfo(path).absolutePath();
    while (!QFileInfo(folder).isDir() && folder != QDir::rootPath()) {
        folder = QFileInfo(folder).absolutePath();
    }
    return folder;
}

const QString LeftAndStopped = QStringLiteral("it was left as it is and no more pages were changed");

// Why a file was not written, then what that meant.
QString notWritten(const SaveOutcome& outcome, const QString& path, const QString& consequence)
{
    switch (outcome.problem) {
    case SaveProblem::ReadOnlyFolder:
        return QStringLiteral("The folder %1 is read-only, so %2 could not be written; %3.")
            .arg(shown(existingFolderOf(path)), shown(path), consequence);
    case SaveProblem::DiskFull:
        return QStringLiteral("The disk holding %1 is full; %2.").arg(shown(path), consequence);
    case SaveProblem::Failed:
    case SaveProblem::None:
        break;
    }
    return QStringLiteral("%1 could not be written (%2); %3.").arg(shown(path), outcome.reason, consequence);
}

// One run over the pages: the results, the progress and the stopping rules.
class Run
{
public:
    Run(Journal& journal, const RunProgress& progress, const std::atomic_bool& cancel, int total)
        : m_journal(journal), m_progress(progress), m_cancel(cancel), m_total(total)
    {
        m_report.backupFolder = journal.unfinishedRunFolder();
        m_afterStoppedRun = journal.runStopped();
        if (!journal.isOpen()) {
            stop(QStringLiteral("No page was changed, as the record of this move is not open."));
        }
    }

    bool goOn() const { return m_report.stopMessage.isEmpty() && !m_report.cancelled; }
    bool afterStoppedRun() const { return m_afterStoppedRun; }
    QString pathOf(const QString& relativePath) const
    {
        return m_journal.siteFolder() + QLatin1Char('/') + relativePath;
    }

    // Starts the next page; false when the run is over.
    bool next(const QString& relativePath)
    {
        m_report.cancelled = m_report.cancelled || m_cancel.load();
        m_report.pages.push_back({relativePath, PageOutcome::NotReached, QString()});
        return goOn();
    }
    void finish(PageOutcome outcome, const QString& message = QString())
    {
        m_report.pages.back().outcome = outcome;
        m_report.pages.back().message = message;
        if (m_progress) {
            m_progress(static_cast<int>(m_report.pages.size()), m_total, m_report.pages.back().relativePath);
        }
    }
    // Leaves the current page as it is and ends the run.
    void stop(const QString& message)
    {
        m_report.stopMessage = message;
        if (!m_report.pages.empty()) {
            m_report.pages.back().outcome = PageOutcome::Skipped;
            m_report.pages.back().message = message;
        }
    }
    // The journal could not keep a record: nothing more is changed.
    void stopForJournal() { stop(m_journal.errorString() + QStringLiteral(" No more pages were changed.")); }

    QString backupFolder()
    {
        if (m_report.backupFolder.isEmpty()) {
            const QString folder = nextBackupFolder(m_journal);
            if (folder.isEmpty()) {
                stop(QStringLiteral("%1 has no folder above it for the backup, so no page was changed.")
                         .arg(shown(m_journal.siteFolder())));
            } else if (!m_journal.recordRunStarted(folder)) {
                stopForJournal();
            } else {
                m_report.backupFolder = folder;
            }
        }
        return goOn() ? m_report.backupFolder : QString();
    }

    RunReport end()
    {
        if (goOn() && m_journal.runStopped() && !m_journal.recordRunFinished()) {
            stopForJournal();
        }
        return std::move(m_report);
    }

private:
    Journal& m_journal;
    const RunProgress& m_progress;
    const std::atomic_bool& m_cancel;
    int m_total;
    RunReport m_report;
    bool m_afterStoppedRun = false;
};

// Before any page changes: room for every backup and for the largest new page, so a
// disk that is nearly full does not leave the site half moved. Empty when there is.
QString noRoomMessage(const Journal& journal, const std::vector<PageEdit>& edits)
{
    qint64 backups = 0;
    qint64 largest = 0;
    for (const PageEdit& edit : edits) {
        const qint64 size = QFileInfo(journal.siteFolder() + QLatin1Char('/') + edit.relativePath).size();
        qint64 newSize = size;
        for (const Replacement& replacement : edit.replacements) {
            newSize += replacement.newBytes.size() - (replacement.end - replacement.begin);
        }
        backups += size;
        largest = std::max(largest, newSize);
    }
    const QString backupFolder = nextBackupFolder(journal);
    const QStorageInfo siteDisk(journal.siteFolder());
    const QStorageInfo backupDisk(existingFolderOf(backupFolder + QStringLiteral("/page")));
    const qint64 needed = backups + (backupDisk == siteDisk ? largest : 0);
    if (!backupFolder.isEmpty() && backupDisk.bytesAvailable() < needed) {
        return QStringLiteral(
                   "The disk holding %1 has %2 free, but the backups need %3, so no page was changed.")
            .arg(shown(existingFolderOf(backupFolder + QStringLiteral("/page"))),
                 QLocale().formattedDataSize(backupDisk.bytesAvailable()),
                 QLocale().formattedDataSize(needed));
    }
    if (siteDisk.bytesAvailable() < largest) {
        return QStringLiteral("The disk holding %1 is full, so no page was changed.")
            .arg(shown(journal.siteFolder()));
    }
    return QString();
}

const BackupRecord* latestBackupOf(const Journal& journal, const QString& relativePath)
{
    const std::vector<BackupRecord>& backups = journal.backups();
    const auto found = std::find_if(backups.rbegin(), backups.rend(), [&](const BackupRecord& backup) {
        return backup.relativePath == relativePath;
    });
    return found == backups.rend() ? nullptr : &*found;
}

void writePage(Run& run, Journal& journal, const PageEdit& edit, const PageFile& page)
{
    const QString path = run.pathOf(edit.relativePath);
    const std::optional<QByteArray> result = applyReplacements(page.bytes, edit.replacements);
    if (!result) {
        return run.finish(
            PageOutcome::Skipped,
            QStringLiteral("The changes planned for %1 do not fit the page, so it was left as it is.")
                .arg(shown(path)));
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!folderIsWritable(folder)) {
        return run.finish(PageOutcome::Skipped, notWritten({SaveProblem::ReadOnlyFolder, {}}, path,
                                                           QStringLiteral("it was left as it is")));
    }
    if (QStorageInfo(folder).bytesAvailable() < result->size()) {
        return run.stop(notWritten({SaveProblem::DiskFull, {}}, path, LeftAndStopped));
    }
    const QString backupFolder = run.backupFolder();
    if (backupFolder.isEmpty()) {
        return;
    }
    const SaveOutcome backedUp = backUpPage(backupFolder, edit.relativePath, page, run.afterStoppedRun());
    if (backedUp.problem != SaveProblem::None) {
        return run.stop(notWritten(
            backedUp, backupFolder + QLatin1Char('/') + edit.relativePath,
            QStringLiteral("%1 was left as it is and no more pages were changed").arg(shown(path))));
    }
    const QByteArray resultSha256 = sha256Of(*result);
    if (!journal.recordBackup({edit.relativePath, backupFolder, edit.expectedSha256, resultSha256})) {
        removeBackup(backupFolder, edit.relativePath);
        return run.stopForJournal();
    }
    const SaveOutcome written = savePageFile(path, *result, page.mode, run.afterStoppedRun());
    if (written.problem != SaveProblem::None) {
        removeBackup(backupFolder, edit.relativePath);
        const bool stops = written.problem == SaveProblem::DiskFull;
        const QString message =
            notWritten(written, path, stops ? LeftAndStopped : QStringLiteral("it was left as it is"));
        return stops ? run.stop(message) : run.finish(PageOutcome::Skipped, message);
    }
    if (!journal.recordWritten(edit.relativePath, resultSha256)) {
        return run.stopForJournal();
    }
    run.finish(PageOutcome::Written);
}

} // namespace

QString nextBackupFolder(const Journal& journal)
{
    const QString stopped = journal.unfinishedRunFolder();
    return stopped.isEmpty() ? newBackupFolder(journal.siteFolder(), QDate::currentDate()) : stopped;
}

RunReport rewritePages(Journal& journal, const std::vector<PageEdit>& edits, const RunProgress& progress,
                       const std::atomic_bool& cancel)
{
    Run run(journal, progress, cancel, static_cast<int>(edits.size()));
    if (const QString noRoom = run.goOn() ? noRoomMessage(journal, edits) : QString(); !noRoom.isEmpty()) {
        run.stop(noRoom);
    }
    for (const PageEdit& edit : edits) {
        if (!run.next(edit.relativePath)) {
            continue;
        }
        const QString path = run.pathOf(edit.relativePath);
        QString reason;
        const bool inside = staysInside(journal.siteFolder(), edit.relativePath);
        const std::optional<PageFile> page = inside ? readPageFile(path, reason) : std::nullopt;
        const QByteArray current = page ? sha256Of(page->bytes) : QByteArray();
        const BackupRecord* backup = latestBackupOf(journal, edit.relativePath);
        if (!inside) {
            run.finish(PageOutcome::Skipped, QStringLiteral("%1 lies outside %2, so it was left as it is.")
                                                 .arg(shown(path), shown(journal.siteFolder())));
        } else if (!page) {
            run.finish(PageOutcome::Skipped,
                       QStringLiteral("%1 could not be read (%2), so it was left as it is.")
                           .arg(shown(path), reason));
        } else if (current == edit.expectedSha256) {
            writePage(run, journal, edit, *page);
        } else if (backup && backup->originalSha256 == edit.expectedSha256 &&
                   backup->resultSha256 == current) {
            if (backup->written || journal.recordWritten(edit.relativePath, current)) {
                run.finish(PageOutcome::AlreadyWritten);
            } else {
                run.stopForJournal();
            }
        } else {
            run.finish(
                PageOutcome::Skipped,
                QStringLiteral("%1 changed after the folder was scanned, so it was left as it is; scan the "
                               "folder again to include it.")
                    .arg(shown(path)));
        }
    }
    return run.end();
}

RunReport restorePages(Journal& journal, const RunProgress& progress, const std::atomic_bool& cancel)
{
    const std::vector<BackupRecord> backups(journal.backups().rbegin(), journal.backups().rend());
    Run run(journal, progress, cancel, static_cast<int>(backups.size()));
    if (!backups.empty() && run.goOn() && !journal.recordRestoreStarted()) {
        run.stopForJournal();
    }
    for (const BackupRecord& backup : backups) {
        if (!run.next(backup.relativePath)) {
            continue;
        }
        const QString path = run.pathOf(backup.relativePath);
        const QString copyPath = backup.backupFolder + QLatin1Char('/') + backup.relativePath;
        QString reason;
        const std::optional<PageFile> page = readPageFile(path, reason);
        const QByteArray current = page ? sha256Of(page->bytes) : QByteArray();
        const std::optional<PageFile> copy =
            current == backup.resultSha256 ? readPageFile(copyPath, reason) : std::nullopt;
        if (!page) {
            run.finish(PageOutcome::Skipped,
                       QStringLiteral("%1 could not be read (%2), so it was not restored; its backup is %3.")
                           .arg(shown(path), reason, shown(copyPath)));
        } else if (current == backup.originalSha256) {
            journal.recordRestored(backup) ? run.finish(PageOutcome::AlreadyRestored) : run.stopForJournal();
        } else if (current != backup.resultSha256) {
            run.finish(PageOutcome::Skipped,
                       QStringLiteral(
                           "%1 was changed after it was rewritten, so it was not restored; its backup is %2.")
                           .arg(shown(path), shown(copyPath)));
        } else if (!copy || sha256Of(copy->bytes) != backup.originalSha256) {
            run.finish(
                PageOutcome::Skipped,
                QStringLiteral("The backup %1 is missing or no longer the page as it was, so %2 was not "
                               "restored.")
                    .arg(shown(copyPath), shown(path)));
        } else if (const SaveOutcome saved =
                       savePageFile(path, copy->bytes, copy->mode, run.afterStoppedRun());
                   saved.problem != SaveProblem::None) {
            const bool stops = saved.problem == SaveProblem::DiskFull;
            const QString message =
                notWritten(saved, path,
                           stops ? QStringLiteral("it was not restored and no more pages were restored")
                                 : QStringLiteral("it was not restored"));
            stops ? run.stop(message) : run.finish(PageOutcome::Skipped, message);
        } else {
            journal.recordRestored(backup) ? run.finish(PageOutcome::Restored) : run.stopForJournal();
        }
    }
    return run.end();
}

} // namespace quorvane
