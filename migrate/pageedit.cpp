#include "pageedit.h"

#include <QCryptographicHash>
#include <QList>

namespace quorvane {

namespace {

QByteArray utf16Of(const QString& code, bool bigEndian)
{
    QByteArray bytes;
    bytes.reserve(code.size() * 2);
    for (const QChar unit : code) {
        const char high = static_cast<char>(unit.unicode() >> 8);
        const char low = static_cast<char>(unit.unicode() & 0xff);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

// ASCII as it is and every other character as a reference, but for U+00A0 to U+00FF
// in windows-1252, which are the same bytes there as in ISO-8859-1.
QByteArray referencesFor(const QString& code, bool windows1252)
{
    QByteArray bytes;
    bytes.reserve(code.size());
    for (const char32_t point : code.toUcs4()) {
        if (point < 0x80 || (windows1252 && point >= 0xa0 && point <= 0xff)) {
            bytes.append(static_cast<char>(point));
        } else {
            bytes.append("&#").append(QByteArray::number(static_cast<uint>(point))).append(';');
        }
    }
    return bytes;
}

} // namespace

QByteArray sha256Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray encodePageCode(const QString& code, std::string_view encoding)
{
    if (encoding == "UTF-8") {
        return code.toUtf8();
    }
    if (encoding == "UTF-16LE" || encoding == "UTF-16BE") {
        return utf16Of(code, encoding == "UTF-16BE");
    }
    return referencesFor(code, encoding == "windows-1252");
}

std::optional<QByteArray> applyReplacements(const QByteArray& page,
                                            const std::vector<Replacement>& replacements)
{
    QByteArray result;
    qint64 copied = 0;
    for (const Replacement& replacement : replacements) {
        if (replacement.begin < copied || replacement.end < replacement.begin ||
            replacement.end > page.size()) {
            return std::nullopt;
        }
        result.append(page.sliced(copied, replacement.begin - copied)).append(replacement.newBytes);
        copied = replacement.end;
    }
    return result.append(page.sliced(copied));
}

} // namespace quorvane
