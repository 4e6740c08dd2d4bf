#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace quorvane {

// A payment link made for one item.
struct LinkRecord
{
    QString link;
    QString id;
};

// One page copied to a backup folder before it was rewritten.
struct BackupRecord
{
    QString relativePath;
    QString backupFolder;
    QByteArray originalSha256;
    QByteArray resultSha256;
    bool written = false;
};

// What a move of one site has done so far: the links made and the pages backed up,
// written and restored. Each record reaches the disk (one line, flushed and synced)
// before the call returns, so a run killed at any moment can resume. The journal
// lives in the application's data folder, named by a hash of the site folder's
// canonical path, and one process at a time holds it.
class Journal
{
public:
    // False, with errorString(), when the data folder cannot be written or another
    // run holds this site.
    bool open(const QString& siteFolder);
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    QString siteFolder() const { return m_site; }
    QString filePath() const { return m_file.fileName(); }

    std::optional<LinkRecord> link(const QString& key) const;
    // Records a link before anything uses it; false when the key has one already.
    bool recordLink(const QString& key, const LinkRecord& link);

    // The backup folder of a run that was stopped before its end, or empty.
    QString unfinishedRunFolder() const { return m_runFolder; }
    // Whether a rewrite or a restore was stopped before its end.
    bool runStopped() const { return !m_runFolder.isEmpty() || m_restoring; }
    bool recordRunStarted(const QString& backupFolder);
    bool recordRestoreStarted();
    bool recordRunFinished();
    bool recordBackup(const BackupRecord& backup);
    bool recordWritten(const QString& relativePath, const QByteArray& resultSha256);
    bool recordRestored(const BackupRecord& backup);

    // The backups not yet put back, oldest first.
    const std::vector<BackupRecord>& backups() const { return m_backups; }
    QStringList writtenPages() const;

private:
    bool append(const QList<QByteArray>& fields);
    void apply(const QList<QByteArray>& fields);
    bool readRecords();

    QFile m_file;
    QString m_site;
    QString m_error;
    QHash<QString, LinkRecord> m_links;
    QString m_runFolder;
    bool m_restoring = false;
    std::vector<BackupRecord> m_backups;
};

} // namespace quorvane
