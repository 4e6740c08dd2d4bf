// Moves a generated site as the window would, for the kill-and-resume test:
//   rewritedriver rewrite PRISTINE SITE   makes a link per form found in PRISTINE,
//                                         then rewrites SITE's copies of its pages
//   rewritedriver restore SITE            puts the backups back
// Exits 0 when every page was done, 1 when one was left, 2 when nothing could start.
#include "journal.h"
#include "pageedit.h"
#include "rewriter.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QThread>
#include <cstdio>

using namespace quorvane;

namespace {

// A link per distinct form, the same form on two pages getting one; the pause stands
// for PayPal's answer.
QByteArray linkFor(Journal& journal, const QByteArray& form)
{
    const QString key = QString::fromLatin1(sha256Of(form).toHex().left(16));
    if (!journal.link(key)) {
        QThread::msleep(2);
        journal.recordLink(key, {QStringLiteral("https://www.sandbox.paypal.com/ncp/payment/") + key, key});
    }
    return journal.link(key)->link.toLatin1();
}

PageEdit editOf(Journal& journal, const QString& pristine, const QString& relativePath)
{
    QFile file(pristine + QLatin1Char('/') + relativePath);
    file.open(QIODevice::ReadOnly);
    const QByteArray page = file.readAll();
    const PageEncoding encoding = page.startsWith("\xff\xfe") ? PageEncoding::Utf16LE : PageEncoding::Utf8;
    const QByteArray open = encodePageCode(QStringLiteral("<form"), encoding);
    const QByteArray close = encodePageCode(QStringLiteral("</form>"), encoding);
    PageEdit edit{relativePath, sha256Of(page), {}};
    for (qsizetype begin = page.indexOf(open); begin >= 0; begin = page.indexOf(open, begin + 1)) {
        const qint64 end = page.indexOf(close, begin) + close.size();
        const QString code =
            QStringLiteral("<a href=\"%1\"><img src=\"https://www.paypalobjects.com/en_US/i/btn/"
                           "btn_buynow_LG.gif\" alt=\"Buy Now with PayPal\" border=\"0\"></a>")
                .arg(QString::fromLatin1(linkFor(journal, page.sliced(begin, end - begin))));
        edit.replacements.push_back({begin, end, encodePageCode(code, encoding)});
    }
    return edit;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvane"));
    const QStringList arguments = QCoreApplication::arguments();
    const bool rewrite = arguments.value(1) == QStringLiteral("rewrite");
    Journal journal;
    if (!journal.open(arguments.constLast())) {
        std::fprintf(stderr, "%s\n", qPrintable(journal.errorString()));
        return 2;
    }
    std::vector<PageEdit> edits;
    QStringList pages;
    for (QDirIterator found(arguments.value(2), QDir::Files, QDirIterator::Subdirectories);
         rewrite && found.hasNext();) {
        pages.append(QDir(arguments.value(2)).relativeFilePath(found.next()));
    }
    pages.sort();
    for (const QString& page : pages) {
        edits.push_back(editOf(journal, arguments.value(2), page));
    }
    const std::atomic_bool cancel = false;
    const RunReport report =
        rewrite ? rewritePages(journal, edits, nullptr, cancel) : restorePages(journal, nullptr, cancel);
    bool allDone = report.stopMessage.isEmpty();
    for (const PageResult& page : report.pages) {
        if (!page.message.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(page.message));
            allDone = false;
        }
    }
    return allDone ? 0 : 1;
}
