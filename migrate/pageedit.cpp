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

// U+00A0 to U+00FF are the same bytes in ISO-8859-1 and windows-1252; U+0080 to
// U+009F are not, so they and everything above U+00FF become references.
QByteArray oneByteOf(const QString& code)
{
    QByteArray bytes;
    bytes.reserve(code.size());
    for (const char32_t point : code.toUcs4()) {
        if (point < 0x80 || (point >= 0xa0 && point <= 0xff)) {
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

QByteArray encodePageCode(const QString& code, PageEncoding encoding)
{
    switch (encoding) {
    case PageEncoding::Utf8:
        return code.toUtf8();
    case PageEncoding::Utf16LE:
        return utf16Of(code, false);
    case PageEncoding::Utf16BE:
        return utf16Of(code, true);
    case PageEncoding::Windows1252:
    case PageEncoding::Latin1:
        break;
    }
    return oneByteOf(code);
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
