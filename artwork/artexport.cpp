// Draws the tool's pictures when it is built and writes them as PNG files:
// artexport <directory> <picture>... makes <directory>/<picture>.png for each picture
// named "banner", "preset1" to "preset8", or "padlock-<size>", "smiley-<size>" and
// "laughing-<size>" for a window icon at that square size in pixels.
// artexport --raw <directory> <picture>... writes <directory>/<picture>.raw instead,
// the pixels as the program shows them (see ui/pictures.h). Either way the lettering
// is Liberation Sans, which must be installed.
#include "artwork.h"
#include "pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

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

bool isOpaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(line, line + image.width(), [](QRgb pixel) { return qAlpha(pixel) == 255; })) {
            return false;
        }
    }
    return true;
}

// The pixels the program's pixmap would hold: opaque pictures as RGB32, the others
// premultiplied, so the program can show them straight from its own memory.
bool saveRaw(const QPixmap& picture, const QString& file)
{
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (isOpaque(image)) {
        image.reinterpretAsFormat(QImage::Format_RGB32);
    }
    const quorvane::RawPictureHeader header{quorvane::RawPictureHeader::magicNumber, quint32(image.width()),
                                            quint32(image.height()), quint32(image.format())};
    QFile out(file);
    return out.open(QIODevice::WriteOnly) &&
           out.write(reinterpret_cast<const char*>(&header), sizeof header) == qint64(sizeof header) &&
           out.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()) ==
               image.sizeInBytes();
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    const bool raw = args.size() > 1 && args.at(1) == QLatin1String("--raw");
    if (raw) {
        args.removeAt(1);
    }
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: artexport [--raw] <directory> <picture>...\n";
        return 2;
    }
    if (!quorvane::drawingFamilyInstalled()) {
        err << "artexport: the pictures are lettered in " << quorvane::drawingFamily()
            << ", which is not installed in all its styles (Debian: fonts-liberation)\n";
        return 1;
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
        const QString file = root.filePath(name + (raw ? QStringLiteral(".raw") : QStringLiteral(".png")));
        if (!(raw ? saveRaw(picture, file) : picture.save(file, "PNG"))) {
            err << "artexport: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
