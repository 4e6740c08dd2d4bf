#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace quorvane {

// Asks where to save, in the desktop's save dialog, starting at `suggested`; empty when
// the seller cancels.
QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);

// Tests answer the dialog through this instead; an empty asker restores the dialog.
using SaveFileAsker = std::function<QString(const QString& caption, const QString& suggested)>;
void setSaveFileAsker(SaveFileAsker asker);

// Asks for a folder, in the desktop's folder dialog, starting at `start`; empty when the
// seller cancels.
QString askFolderName(QWidget* parent, const QString& caption, const QString& start);

// Tests answer the folder dialog through this instead; an empty asker restores the dialog.
using FolderAsker = std::function<QString(const QString& caption, const QString& start)>;
void setFolderAsker(FolderAsker asker);

// Writes the whole file or leaves what stood there (a temporary file renamed into
// place); why not, when it fails.
std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes);

} // namespace quorvane
