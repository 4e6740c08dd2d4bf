#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

namespace quorvane {

// One range of a page's bytes, [begin, end), and what takes its place, already in
// the page's encoding.
struct Replacement
{
    qint64 begin = 0;
    qint64 end = 0;
    QByteArray newBytes;
};

// The change planned for one page of a site: its path inside the site folder, the
// SHA-256 of the whole file when it was scanned, and its replacements in order,
// none overlapping.
struct PageEdit
{
    QString relativePath;
    QByteArray expectedSha256;
    std::vector<Replacement> replacements;
};

QByteArray sha256Of(const QByteArray& bytes);

// The page code in the page's encoding, named as the Encoding Standard names it
// ("UTF-8", "windows-1252", "UTF-16LE", …; the scan gives ISO-8859-1 pages as
// windows-1252). UTF-16 pages get UTF-16 without a byte order mark; in any other
// encoding but UTF-8 a character beyond ASCII is written as a character reference,
// except the windows-1252 bytes that mean the same in ISO-8859-1.
QByteArray encodePageCode(const QString& code, std::string_view encoding);

// The page with each range replaced and every other byte as it was; nothing when the
// ranges are out of order, overlap or lie outside the page.
std::optional<QByteArray> applyReplacements(const QByteArray& page,
                                            const std::vector<Replacement>& replacements);

} // namespace quorvane
