// Draws the tool's pictures when it is built and writes them as PNG files:
// artexport <directory> <picture>... makes <directory>/<picture>.png for each picture
// named "banner", "preset1" to "preset8", or "padlock-<size>", "smiley-<size>" and
// "laughing-<size>" for a window icon at that square size in pixels.
#include "artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// The named picture, or a null pixmap for a name that names none.
QPixmap drawn(const QString& name)
{
    if (name == QLatin1String("banner")) {
        return quorvane::bannerPicture();
    }
    static const QRegularExpression preset(QStringLiteral("^preset([1-8])$"));
    if (const QRegularExpressionMatch match = preset.match(name); match.hasMatch()) {
        return quorvane::presetButtonPicture(match.captured(1).toInt());
    }
    static const QRegularExpression icon(QStringLiteral("^(padlock|smiley|laughing)-([1-9][0-9]{0,3})$"));
    const QRegularExpressionMatch match = icon.match(name);
    if (!match.hasMatch()) {
        return QPixmap();
    }
    const int size = match.captured(2).toInt();
    const QString kind = match.captured(1);
    if (kind == QLatin1String("padlock")) {
        return quorvane::padlockPixmap(size);
    }
    return kind == QLatin1String("smiley") ? quorvane::smileyPixmap(size) : quorvane::laughingPixmap(size);
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: artexport <directory> <picture>...\n";
        return 2;
    }
    QDir root(args.at(1));
    if (!root.mkpath(QStringLiteral("."))) {
        err << "artexport: cannot make " << args.at(1) << '\n';
        return 1;
    }
    for (const QString& name : args.mid(2)) {
        const QPixmap picture = drawn(name);
        if (picture.isNull()) {
            err << "artexport: no picture is named " << name << '\n';
            return 2;
        }
        const QString file = root.filePath(name + QStringLiteral(".png"));
        if (!picture.save(file, "PNG")) {
            err << "artexport: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
