#include "backup.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane {

namespace {

// Removes the empty folders from `folder` up to and including `top`.
void removeEmptyFolders(QString folder, const QString& top)
{
    while ((folder == top || folder.startsWith(top + QLatin1Char('/'))) && QDir().rmdir(folder)) {
        folder = QFileInfo(folder).absolutePath();
    }
}

} // namespace

QString newBackupFolder(const QString& siteFolder, QDate date)
{
    const QFileInfo site(siteFolder);
    if (site.absoluteFilePath() == QDir::rootPath()) {
        return QString();
    }
    const QString base =
        site.absoluteFilePath() + QStringLiteral("-before-payment-links-") + date.toString(Qt::ISODate);
    QString folder = base;
    for (int copy = 2; QFileInfo::exists(folder); ++copy) {
        folder = base + QLatin1Char('-') + QString::number(copy);
    }
    return folder;
}

SaveOutcome backUpPage(const QString& backupFolder, const QString& relativePath, const PageFile& page,
                       bool afterStoppedRun)
{
    const QString target = backupFolder + QLatin1Char('/') + relativePath;
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder)) {
        removeEmptyFolders(folder, backupFolder);
        const QString above = QFileInfo(backupFolder).absolutePath();
        return {folderIsWritable(above) ? SaveProblem::Failed : SaveProblem::ReadOnlyFolder,
                QStringLiteral("the folder could not be made")};
    }
    const SaveOutcome outcome = savePageFile(target, page.bytes, page.mode, afterStoppedRun);
    if (outcome.problem != SaveProblem::None) {
        removeEmptyFolders(folder, backupFolder);
    }
    return outcome;
}

void removeBackup(const QString& backupFolder, const QString& relativePath)
{
    const QString target = backupFolder + QLatin1Char('/') + relativePath;
    QFile::remove(target);
    removeEmptyFolders(QFileInfo(target).absolutePath(), backupFolder);
}

} // namespace quorvane
