#include "pagefiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

SaveOutcome problemOf(const QString& path, qint64 size, const QString& reason)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!folderIsWritable(folder)) {
        return {SaveProblem::ReadOnlyFolder, reason};
    }
    if (QStorageInfo(folder).bytesAvailable() < size) {
        return {SaveProblem::DiskFull, reason};
    }
    return {SaveProblem::Failed, reason};
}

// QSaveFile names its temporary file after the file and six more characters, and a
// process killed between naming it and renaming it leaves it there, whole.
void removeLeftTemporary(const QString& path, const QByteArray& bytes)
{
    const QFileInfo target(path);
    const QString prefix = target.fileName() + QLatin1Char('.');
    for (const QFileInfo& entry :
         QDir(target.absolutePath()).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QString name = entry.fileName();
        if (name.size() != prefix.size() + 6 || !name.startsWith(prefix) || entry.size() != bytes.size()) {
            continue;
        }
        QString reason;
        const std::optional<PageFile> left = readPageFile(entry.filePath(), reason);
        if (left && left->bytes == bytes) {
            QFile::remove(entry.filePath());
        }
    }
}

// A page that is replaced keeps its owner and group (a web server often reads pages
// through their group); where this process may not give them, the page is not replaced.
bool keepsOwner(int handle, const QString& path)
{
    struct stat existing = {};
    struct stat created = {};
    if (::stat(QFile::encodeName(path).constData(), &existing) != 0) {
        return true;
    }
    return ::fstat(handle, &created) == 0 &&
           ((created.st_uid == existing.st_uid && created.st_gid == existing.st_gid) ||
            ::fchown(handle, existing.st_uid, existing.st_gid) == 0);
}

} // namespace

std::optional<PageFile> readPageFile(const QString& path, QString& reason)
{
    QFile file(path);
    struct stat status = {};
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return std::nullopt;
    }
    if (::fstat(file.handle(), &status) != 0 || !S_ISREG(status.st_mode)) {
        reason = QStringLiteral("not a regular file");
        return std::nullopt;
    }
    PageFile page{file.readAll(), static_cast<uint>(status.st_mode & 07777)};
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return std::nullopt;
    }
    return page;
}

bool folderIsWritable(const QString& folder)
{
    // The effective rights, so a read-only mount or a process without its override
    // rights is seen as it is.
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

SaveOutcome savePageFile(const QString& path, const QByteArray& bytes, uint mode, bool afterStoppedRun)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return problemOf(path, bytes.size(), file.errorString());
    }
    if (!keepsOwner(file.handle(), path)) {
        return {SaveProblem::Failed, QStringLiteral("its owner and group could not be kept")};
    }
    // QSaveFile would carry the old file's bits over, but not exactly (it adds the
    // owner's execute bit), so they are set here before the rename.
    if (::fchmod(file.handle(), static_cast<mode_t>(mode)) != 0 || file.write(bytes) != bytes.size() ||
        !file.commit()) {
        return problemOf(path, bytes.size(), file.errorString());
    }
    QString reason;
    const std::optional<PageFile> written = readPageFile(path, reason);
    if (!written || written->bytes != bytes) {
        return {SaveProblem::Failed, written ? QStringLiteral("it reads back differently") : reason};
    }
    if (afterStoppedRun) {
        removeLeftTemporary(path, bytes);
    }
    return {};
}

} // namespace quorvane
