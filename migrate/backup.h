#pragma once

#include "pagefiles.h"

#include <QDate>
#include <QString>

namespace quorvane {

// The folder beside the site that keeps its pages as they were: SITE-before-payment-
// links-DATE, then -2, -3… when that name is taken. Empty for a site with no folder
// above it.
QString newBackupFolder(const QString& siteFolder, QDate date);

// Copies a page into the backup folder under the same relative path with the same
// permission bits. When that fails, the folders made for it are removed again.
SaveOutcome backUpPage(const QString& backupFolder, const QString& relativePath, const PageFile& page,
                       bool afterStoppedRun);

// Takes a copy out of the backup folder again with the folders it leaves empty.
void removeBackup(const QString& backupFolder, const QString& relativePath);

} // namespace quorvane
