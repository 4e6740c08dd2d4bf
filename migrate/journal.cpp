#include "journal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {

namespace {

// A record is its fields, percent-encoded and joined by tabs, then a tab and the
// start of their SHA-256, then a newline: a torn or damaged line is recognised and
// left out.
QByteArray checkOf(const QByteArray& joined)
{
    return QCryptographicHash::hash(joined, QCryptographicHash::Sha256).toHex().left(8);
}

QByteArray lineOf(const QList<QByteArray>& fields)
{
    QList<QByteArray> encoded;
    for (const QByteArray& field : fields) {
        encoded.append(field.toPercentEncoding());
    }
    const QByteArray joined = encoded.join('\t');
    return joined + '\t' + checkOf(joined) + '\n';
}

std::optional<QList<QByteArray>> fieldsOf(const QByteArray& line)
{
    const qsizetype tab = line.lastIndexOf('\t');
    if (tab < 0 || checkOf(line.first(tab)) != line.sliced(tab + 1)) {
        return std::nullopt;
    }
    QList<QByteArray> fields = line.first(tab).split('\t');
    for (QByteArray& field : fields) {
        field = QByteArray::fromPercentEncoding(field);
    }
    return fields;
}

bool syncFolder(const QString& folder)
{
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = handle >= 0 && ::fsync(handle) == 0;
    return (handle < 0 || ::close(handle) == 0) && synced;
}

} // namespace

bool Journal::open(const QString& siteFolder)
{
    m_site = QFileInfo(siteFolder).canonicalFilePath();
    if (m_site.isEmpty()) {
        m_error = QStringLiteral("The folder “%1” does not exist.").arg(QDir::toNativeSeparators(siteFolder));
        return false;
    }
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/site-moves");
    const QByteArray name = QCryptographicHash::hash(m_site.toUtf8(), QCryptographicHash::Sha256).toHex();
    m_file.setFileName(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".journal"));
    if (QDir::cleanPath(folder).startsWith(m_site + QLatin1Char('/'))) {
        m_error = QStringLiteral("The record of moves would lie inside “%1”, the folder being moved; "
                                 "it is kept in the application's data folder, which must lie elsewhere.")
                      .arg(QDir::toNativeSeparators(m_site));
        return false;
    }
    if (!QDir().mkpath(folder) ||
        !m_file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        m_error = QStringLiteral("The record of moves could not be opened in “%1” (%2).")
                      .arg(QDir::toNativeSeparators(folder), m_file.errorString());
        return false;
    }
    if (::flock(m_file.handle(), LOCK_EX | LOCK_NB) != 0) {
        m_error =
            QStringLiteral("Another run is already working on “%1”.").arg(QDir::toNativeSeparators(m_site));
        m_file.close();
        return false;
    }
    return readRecords();
}

bool Journal::readRecords()
{
    m_file.seek(0);
    const QByteArray content = m_file.readAll();
    const qsizetype complete = content.lastIndexOf('\n') + 1;
    for (const QByteArray& line : content.first(complete).split('\n')) {
        if (const std::optional<QList<QByteArray>> fields = fieldsOf(line)) {
            apply(*fields);
        }
    }
    // A line torn by a crash is cut off, so the next record starts on a line of its own.
    if (complete < content.size() && !m_file.resize(complete)) {
        m_error = QStringLiteral("The record of moves “%1” could not be repaired (%2).")
                      .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        return false;
    }
    if (complete == 0 &&
        (!append({"site", m_site.toUtf8()}) || !syncFolder(QFileInfo(m_file).absolutePath()))) {
        return false;
    }
    return true;
}

bool Journal::append(const QList<QByteArray>& fields)
{
    const QByteArray line = lineOf(fields);
    const qint64 size = m_file.size();
    if (m_file.write(line) != line.size() || ::fsync(m_file.handle()) != 0) {
        m_file.resize(size); // no torn line for the next record to follow
        m_error = QStringLiteral("The record of moves “%1” could not be written (%2).")
                      .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString());
        return false;
    }
    apply(fields);
    return true;
}

void Journal::apply(const QList<QByteArray>& fields)
{
    const QByteArray& kind = fields.first();
    const auto text = [&](qsizetype index) { return QString::fromUtf8(fields.value(index)); };
    const auto latestBackup = [&](const QString& relativePath, const QString& folder) {
        return std::find_if(m_backups.rbegin(), m_backups.rend(), [&](const BackupRecord& backup) {
            return backup.relativePath == relativePath && (folder.isNull() || backup.backupFolder == folder);
        });
    };
    if (kind == "link" && fields.size() == 4 && !m_links.contains(text(1))) {
        m_links.insert(text(1), LinkRecord{text(2), text(3)});
    } else if (kind == "run" && fields.size() == 2) {
        m_runFolder = text(1);
    } else if (kind == "restore") {
        m_restoring = true;
    } else if (kind == "finished") {
        m_runFolder.clear();
        m_restoring = false;
    } else if (kind == "backup" && fields.size() == 5) {
        m_backups.push_back(
            {text(1), text(2), QByteArray::fromHex(fields[3]), QByteArray::fromHex(fields[4]), false});
    } else if (kind == "written" && fields.size() == 3) {
        const auto backup = latestBackup(text(1), QString());
        if (backup != m_backups.rend() && backup->resultSha256 == QByteArray::fromHex(fields[2])) {
            backup->written = true;
        }
    } else if (kind == "restored" && fields.size() == 3) {
        const auto backup = latestBackup(text(1), text(2));
        if (backup != m_backups.rend()) {
            m_backups.erase(std::next(backup).base());
        }
    }
}

std::optional<LinkRecord> Journal::link(const QString& key) const
{
    const auto found = m_links.constFind(key);
    return found == m_links.cend() ? std::nullopt : std::optional<LinkRecord>(*found);
}

bool Journal::recordLink(const QString& key, const LinkRecord& link)
{
    if (m_links.contains(key)) {
        m_error = QStringLiteral("A link is already recorded for “%1”.").arg(key);
        return false;
    }
    return append({"link", key.toUtf8(), link.link.toUtf8(), link.id.toUtf8()});
}

bool Journal::recordRunStarted(const QString& backupFolder)
{
    return append({"run", backupFolder.toUtf8()});
}

bool Journal::recordRestoreStarted()
{
    return append({"restore"});
}

bool Journal::recordRunFinished()
{
    return append({"finished"});
}

bool Journal::recordBackup(const BackupRecord& backup)
{
    return append({"backup", backup.relativePath.toUtf8(), backup.backupFolder.toUtf8(),
                   backup.originalSha256.toHex(), backup.resultSha256.toHex()});
}

bool Journal::recordWritten(const QString& relativePath, const QByteArray& resultSha256)
{
    return append({"written", relativePath.toUtf8(), resultSha256.toHex()});
}

bool Journal::recordRestored(const BackupRecord& backup)
{
    return append({"restored", backup.relativePath.toUtf8(), backup.backupFolder.toUtf8()});
}

QStringList Journal::writtenPages() const
{
    QStringList pages;
    for (const BackupRecord& backup : m_backups) {
        if (backup.written && !pages.contains(backup.relativePath)) {
            pages.append(backup.relativePath);
        }
    }
    return pages;
}

} // namespace quorvane
