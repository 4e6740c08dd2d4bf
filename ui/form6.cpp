#include "form6.h"

#include "browseurl.h"
#include "form1.h"
#include "form7.h"
#include "forms.h"
#include "linkrequest.h"
#include "linksmodel.h"
#include "messagebox.h"
#include "paymentlink.h"
#include "pictures.h"
#include "tablelook.h"
#include "ui_form6.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

namespace quorvane {

namespace {

const QString ErrorTitle = QStringLiteral("Error");

QString linksText(int count)
{
    return count == 1 ? QStringLiteral("1 link") : QStringLiteral("%1 links").arg(count);
}

} // namespace

Form6::Form6(QWidget* parent)
    : Form(parent), m_ui(std::make_unique<Ui::Form6>()), m_links(new LinksModel(this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    setWindowIcon(embeddedIcon(QStringLiteral("padlock")));

    QTableView* table = m_ui->tblLinks;
    table->setModel(m_links);
    setTableLook(*table, {{LinksModel::Item, 190},
                          {LinksModel::ItemId, 80},
                          {LinksModel::Price, 90},
                          {LinksModel::Status, 64},
                          {LinksModel::Created, 120}});
    // Newest first until the seller sorts otherwise.
    table->horizontalHeader()->setSortIndicator(LinksModel::Created, Qt::DescendingOrder);
    table->setSortingEnabled(true);

    // Each per-link command: a button under the table and an entry of its context menu.
    m_copyLink = linkAction(m_ui->cmdCopyLink, &Form6::cmdCopyLink_Click);
    m_copyLink->setShortcut(QKeySequence::Copy);
    // The table would copy the text of the cell instead.
    table->installEventFilter(this);
    linkAction(m_ui->cmdCopyCode, &Form6::cmdCopyCode_Click);
    linkAction(m_ui->cmdOpenLink, &Form6::cmdOpenLink_Click);
    linkAction(m_ui->cmdQrCode, &Form6::cmdQrCode_Click);
    m_delete = linkAction(m_ui->cmdDelete, &Form6::cmdDelete_Click);
    m_delete->setShortcut(QKeySequence::Delete);

    connect(m_ui->cmdShow, &QPushButton::clicked, this, &Form6::cmdShow_Click);
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &Form6::cmdCancel_Click);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &Form6::cmdClose_Click);
    connect(m_ui->txtFilter, &QLineEdit::textChanged, this, &Form6::txtFilter_Change);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &Form6::linkChosen);
    connect(m_links, &QAbstractItemModel::modelReset, this, &Form6::linkChosen);
    connect(m_links, &QAbstractItemModel::rowsRemoved, this, &Form6::linkChosen);
    connect(m_ui->Frame1, &CredentialsPanel::keyringAnswered, this, &Form6::keyringAnswered);
    connect(&m_paypal, &PayPalClient::linksPage, this, &Form6::linksPage);
    connect(&m_paypal, &PayPalClient::linksListed, this, &Form6::linksListed);
    connect(&m_paypal, &PayPalClient::linkDeleted, this, &Form6::linkDeleted);
    connect(&m_paypal, &PayPalClient::failed, this, &Form6::paypalFailed);
    connect(&m_paypal, &PayPalClient::waiting, this, &Form6::setStatus);

    Form_Load();
}

Form6::~Form6() = default;

void Form6::Form_Load()
{
    Skin1.apply(winId());
    m_ui->Frame1->focusClientId();
    // The keyring answers later; with credentials it had, the list follows at once.
    m_ui->Frame1->load();
}

QAction* Form6::linkAction(QPushButton* button, void (Form6::*handler)())
{
    auto* action = new QAction(button->text(), m_ui->tblLinks);
    action->setEnabled(false);
    action->setShortcutContext(Qt::WidgetShortcut);
    m_ui->tblLinks->addAction(action);
    connect(action, &QAction::triggered, this, handler);
    connect(button, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    return action;
}

void Form6::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    Form::keyPressEvent(event);
}

bool Form6::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->tblLinks && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        m_copyLink->trigger();
        return true;
    }
    return Form::eventFilter(watched, event);
}

void Form6::keyringAnswered()
{
    const Credentials remembered = m_ui->Frame1->typedCredentials();
    if (!m_listAsked && !remembered.clientId.isEmpty() && !remembered.secret.isEmpty()) {
        cmdShow_Click();
    }
}

void Form6::cmdShow_Click()
{
    const std::optional<Credentials> credentials = m_ui->Frame1->credentialsToUse();
    if (!credentials) {
        return;
    }
    m_listAsked = true;
    m_listedEnvironment = m_ui->Frame1->environment();
    m_listedCredentials = *credentials;
    m_links->clear();
    m_asked = Asked::List;
    setWorking(true);
    setStatus(QStringLiteral("Asking PayPal (%1) for your links…").arg(environmentName(m_listedEnvironment)));
    m_paypal.listLinks(m_listedEnvironment, credentials->clientId, credentials->secret);
}

void Form6::cmdCancel_Click()
{
    m_paypal.cancel();
    const Asked stopped = m_asked;
    setWorking(false);
    setStatus(
        stopped == Asked::List
            ? QStringLiteral("Cancelled: %1 shown, PayPal may have more.").arg(linksText(m_links->total()))
            : QStringLiteral("Cancelled: the link may or may not have been deleted; Show Links tells."));
}

void Form6::linksPage(const QList<PaymentLink>& links)
{
    m_links->append(links);
    setStatus(QStringLiteral("%1 so far…").arg(linksText(m_links->total())));
}

void Form6::linksListed()
{
    setWorking(false);
    showCount();
}

void Form6::linkDeleted(const QString& id)
{
    setWorking(false);
    m_links->remove(id);
    // No other link is chosen in its place: a second Delete must not take the next one.
    m_ui->tblLinks->selectionModel()->clear();
    setStatus(QStringLiteral("PayPal deleted the payment link for %1.").arg(m_deleting));
}

void Form6::paypalFailed(const QString& text)
{
    const Asked failed = m_asked;
    setWorking(false);
    setStatus(failed == Asked::List
                  ? QStringLiteral("The list stopped at %1.").arg(linksText(m_links->total()))
                  : QStringLiteral("The link was not deleted."));
    MsgBox(text, MessageStyle::Plain, ErrorTitle);
}

void Form6::txtFilter_Change()
{
    m_links->setFilter(m_ui->txtFilter->text().trimmed());
    if (m_asked == Asked::Nothing && m_listAsked) {
        showCount();
    }
}

void Form6::showCount()
{
    const int shown = m_links->rowCount();
    const int total = m_links->total();
    setStatus(total == 0 ? QStringLiteral("PayPal has no payment links for this app.")
              : shown == total
                  ? QStringLiteral("%1.").arg(linksText(total))
                  : QStringLiteral("%1 of %2 match the filter.").arg(shown).arg(linksText(total)));
}

const PaymentLink* Form6::chosenLink() const
{
    const QModelIndexList rows = m_ui->tblLinks->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : &m_links->link(rows.first().row());
}

// The per-link commands act on the chosen row; Delete waits while PayPal is busy.
void Form6::linkChosen()
{
    const bool chosen = chosenLink() != nullptr;
    for (QAction* action : m_ui->tblLinks->actions()) {
        action->setEnabled(chosen && (action != m_delete || m_asked == Asked::Nothing));
    }
}

void Form6::setWorking(bool working)
{
    if (!working) {
        m_asked = Asked::Nothing;
    }
    m_ui->Frame1->setEnabled(!working);
    m_ui->cmdShow->setEnabled(!working);
    m_ui->cmdCancel->setEnabled(working);
    linkChosen();
    if (working) {
        m_ui->cmdCancel->setFocus();
    }
}

void Form6::setStatus(const QString& status)
{
    m_ui->lblStatus->setText(status);
}

void Form6::cmdCopyLink_Click()
{
    if (const PaymentLink* link = chosenLink()) {
        QGuiApplication::clipboard()->setText(link->link);
        setStatus(QStringLiteral("The link is on the clipboard."));
    }
}

// The page code shows the picture chosen in the main window now.
void Form6::cmdCopyCode_Click()
{
    if (const PaymentLink* link = chosenLink()) {
        const QString picture = QString::fromStdString(pictureUrl(forms().form1.get()->buttonRequest()));
        QGuiApplication::clipboard()->setText(pageCode(link->link, picture));
        setStatus(QStringLiteral("The page code is on the clipboard."));
    }
}

void Form6::cmdOpenLink_Click()
{
    if (const PaymentLink* link = chosenLink()) {
        BrowseURL(link->link);
    }
}

void Form6::cmdQrCode_Click()
{
    if (const PaymentLink* link = chosenLink()) {
        showQrCode(link->itemName, link->link);
    }
}

void Form6::cmdDelete_Click()
{
    const PaymentLink* link = chosenLink();
    if (!link || m_asked != Asked::Nothing) {
        return;
    }
    if (!AskYesNo(
            QStringLiteral("Delete the payment link for %1? Buyers who follow it will no longer be able "
                           "to pay.")
                .arg(link->itemName),
            QStringLiteral("Delete Payment Link"))) {
        return;
    }
    m_deleting = link->itemName;
    m_asked = Asked::Delete;
    setWorking(true);
    setStatus(QStringLiteral("Asking PayPal to delete the payment link for %1…").arg(m_deleting));
    m_paypal.deleteLink(m_listedEnvironment, m_listedCredentials.clientId, m_listedCredentials.secret,
                        link->id);
}

void Form6::cmdClose_Click()
{
    close();
}

} // namespace quorvane
