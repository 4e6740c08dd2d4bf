#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quorvane {

// A file's bytes and its permission bits as read.
struct PageFile
{
    QByteArray bytes;
    uint mode = 0644;
};

// The whole file, or nothing with the system's reason in `reason`.
std::optional<PageFile> readPageFile(const QString& path, QString& reason);

enum class SaveProblem
{
    None,
    ReadOnlyFolder,
    DiskFull,
    Failed,
};

struct SaveOutcome
{
    SaveProblem problem = SaveProblem::None;
    QString reason; // the system's words when problem is Failed
};

// Whether this process may create and rename files in the folder.
bool folderIsWritable(const QString& folder);

// Writes the file through a temporary file renamed over it, with the permission bits
// given and the owner and group of the file it replaces, and reads it back: either
// the whole new file is there or the old one is.
// After a run that was stopped, the temporary file its write of the same bytes may
// have left beside the file is removed.
SaveOutcome savePageFile(const QString& path, const QByteArray& bytes, uint mode, bool afterStoppedRun);

} // namespace quorvane
