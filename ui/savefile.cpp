#include "savefile.h"

#include <QFileDialog>
#include <QSaveFile>

namespace quorvane {

namespace {

SaveFileAsker& saveFileAsker()
{
    static SaveFileAsker asker;
    return asker;
}

FolderAsker& folderAsker()
{
    static FolderAsker asker;
    return asker;
}

} // namespace

QString askSaveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter)
{
    if (const auto& asker = saveFileAsker()) {
        return asker(caption, suggested);
    }
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

void setSaveFileAsker(SaveFileAsker asker)
{
    saveFileAsker() = std::move(asker);
}

QString askFolderName(QWidget* parent, const QString& caption, const QString& start)
{
    if (const auto& asker = folderAsker()) {
        return asker(caption, start);
    }
    return QFileDialog::getExistingDirectory(parent, caption, start);
}

void setFolderAsker(FolderAsker asker)
{
    folderAsker() = std::move(asker);
}

std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace quorvane
