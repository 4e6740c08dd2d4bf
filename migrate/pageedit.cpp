#include "pageedit.h"

#include <QCryptographicHash>

namespace quorvane {

QByteArray sha256Of(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
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
