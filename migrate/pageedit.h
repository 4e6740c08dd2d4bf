#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
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

// The page with each range replaced and every other byte as it was; nothing when the
// ranges are out of order, overlap or lie outside the page.
std::optional<QByteArray> applyReplacements(const QByteArray& page,
                                            const std::vector<Replacement>& replacements);

} // namespace quorvane
