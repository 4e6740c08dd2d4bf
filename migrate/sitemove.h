#pragma once

#include "endpoints.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

// Where a found form stands in the move.
enum class MoveState
{
    Move,          // a link can be made; the form is replaced by it
    PasteByHand,   // a link can be made, but the form holds template code: the seller pastes pageCode
    HandEdit,      // no link can be made from the form as it stands (stateText says why)
    NotAffected,   // Donate and Subscribe buttons keep working after 2027
    KeptAtPayPal,  // a hosted button: its details are not in the page
    LinkMade,      // the link is there; the page is not rewritten yet
    PageRewritten, // the form is replaced by the link in the page
    Failed,        // making the link or writing the page failed (stateText says why)
};

// One PayPal form found in the site.
struct MoveRow
{
    QString page; // relative to the site's folder, '/' between folders
    int line = 0; // of "<form", from 1
    QString item;
    QString price;      // "34.95 USD"; empty when the form has none
    QString kind;       // "Buy Now", "Hosted", "Donate", "Cart", "Subscribe", "Other"
    QString carries;    // beyond name and price: "tax 7.5 %, shipping 4.95, Size: 3 options"
    QString notCarried; // the fields a link cannot hold
    MoveState state = MoveState::HandEdit;
    QString stateText;     // "Move", "Hand edit: no price (line 12)", "Link made", "Failed: …"
    QString link;          // once made
    bool tickable = false; // only rows a link can be made for
    bool ticked = false;   // moves are ticked once found
    QString pageCode;      // the one line that replaces the form, once its link is made
};

// What "Rewrite Pages" is about to do, for the seller to confirm: the first page's
// change, old and new lines, the number of files that change and where the pages are
// copied first.
struct RewritePreview
{
    QString page;
    int line = 0;
    QStringList oldLines;
    QString newLine;
    int files = 0;
    QString backupFolder;
};

class SiteMoveWork;

// Moves a site's PayPal buttons to payment links: scans a folder, makes a link for
// each ticked row (the same item on several pages gets one), rewrites the pages and
// puts them back. Each of scan, makeLinks, rewritePages and restorePages runs without
// blocking the calling thread, reports progress and ends in exactly one finished,
// also when cancelled; a call while another runs (isBusy) is ignored. Every link made and page
// written is recorded in the site's journal at once, so a run stopped at any moment
// resumes without a second link or a half-written page.
class SiteMove : public QObject
{
    Q_OBJECT

public:
    explicit SiteMove(QObject* parent = nullptr);
    ~SiteMove() override;

    // Finds every PayPal form in the folder's pages and the extra files named
    // (relative to the folder), and plans each. Rows are there after finished.
    void scan(const QString& folder, const QStringList& extraFiles = {});
    QString folder() const;

    int rowCount() const;
    const MoveRow& row(int index) const;
    // Only tickable rows can be ticked; an item whose rows are all unticked gets no link.
    void setTicked(int row, bool ticked);

    // Makes the links of the ticked rows that have none yet: the account's list is read
    // first and an identical active link reused; at most four requests at a time.
    // The picture is the one shown where a form had none of its own.
    void makeLinks(Environment environment, const QString& clientId, const QString& secret,
                   const QString& defaultPicture);
    // The links made by earlier runs for this site, environment and client ID, from the
    // journal, without asking PayPal; true when the journal could be read.
    bool recallLinks(Environment environment, const QString& clientId, QString& problem);

    // How many pages rewritePages would change; 0 when none.
    RewritePreview preview() const;
    // Replaces each ticked form that has its link with the link's page code, page by page.
    void rewritePages();
    // Puts back every page the site's rewrites copied aside.
    void restorePages();

    // page,line,item,price,state,link, one row a line, written through a temporary file.
    bool saveReport(const QString& csvPath, QString& error) const;

    bool isBusy() const;
    // The work running stops soon after; finished follows.
    void cancel();

signals:
    void progress(int done, int total, const QString& what);
    // Rows first to last changed; when rowCount changed too (a scan starting or done),
    // the whole table is new.
    void rowsChanged(int first, int last);
    // A line to show while PayPal asked the program to wait.
    void waiting(const QString& text);
    // The scan, the links, the rewrite or the restore is over (or cancelled); the
    // problems, each naming its page or item, for the seller.
    void finished(const QStringList& problems);

private:
    void runInThread(const std::function<void()>& work, void (SiteMove::*done)());
    std::function<void(int, int, const QString&)> throttledProgress();
    void scanned();
    void setLink(std::size_t link, const QString& address);
    void linkMade(int job, const QString& link);
    void linkFailed(int job, const QString& reason);
    void pagesDone();

    std::unique_ptr<SiteMoveWork> m_work;
};

} // namespace quorvane
