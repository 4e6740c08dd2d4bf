#pragma once

#include "endpoints.h"
#include "form.h"
#include "skin.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace Ui {
class Form8;
}

namespace quorvane {

class MoveModel;
class SiteMove;
struct MoveRow;

// Moves a whole site to payment links: finds the PayPal buttons in a folder of pages,
// makes a link for each ticked row, rewrites the pages (a copy of each kept beside the
// site) and puts them back on request. The work runs off the window's thread, with
// progress and Cancel.
class Form8 : public quorvane::Form
{
    Q_OBJECT

public:
    explicit Form8(QWidget* parent = nullptr);
    ~Form8() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void cmdChooseFolder_Click();
    void cmdMakeLinks_Click();
    void cmdRewrite_Click();
    void cmdRestore_Click();
    void cmdSaveReport_Click();
    void cmdCopyCode_Click();
    void cmdCancel_Click();
    void cmdClose_Click();

    void workProgress(int done, int total, const QString& what);
    void workFinished(const QStringList& problems);

    // What the site move is doing for the window.
    enum class Work
    {
        Nothing,
        Scan,
        Links,
        Rewrite,
        Restore,
    };

    void start(Work work, const QString& status);
    // The chosen row, if one is.
    const MoveRow* chosenRow() const;
    // Enables what can be done now.
    void showCommands();
    QString summary() const;
    void setStatus(const QString& text);

    std::unique_ptr<Ui::Form8> m_ui;
    quorvane::Skin Skin1;
    SiteMove* m_move;
    MoveModel* m_rows;
    Work m_work = Work::Nothing;
    bool m_cancelled = false;
    // Where the last links were asked for.
    Environment m_linksEnvironment = Environment::Live;
};

} // namespace quorvane
