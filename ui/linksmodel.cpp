#include "linksmodel.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <iterator>

namespace quorvane {

namespace {

// Names as a person sorts them: accents and case after the letters, numbers by value.
const QCollator& collator()
{
    static const QCollator theCollator = [] {
        QCollator made;
        made.setCaseSensitivity(Qt::CaseInsensitive);
        made.setNumericMode(true);
        return made;
    }();
    return theCollator;
}

// PayPal's ACTIVE and INACTIVE as words; a status it adds later shows the same way.
QString statusText(const QString& status)
{
    return status.isEmpty() ? status : status.left(1).toUpper() + status.mid(1).toLower();
}

} // namespace

struct LinksModel::Row
{
    explicit Row(const PaymentLink& from)
        : link(from), price(from.price.isEmpty() ? QString() : from.price + u' ' + from.currency),
          status(statusText(from.status)),
          created(QLocale::system().toString(from.created.toLocalTime(), QLocale::ShortFormat)),
          itemKey(collator().sortKey(from.itemName)), itemIdKey(collator().sortKey(from.itemId)),
          amount(from.price.toDouble()), createdKey(from.created.toMSecsSinceEpoch())
    {
    }

    PaymentLink link;
    QString price;
    QString status;
    QString created;
    QCollatorSortKey itemKey;
    QCollatorSortKey itemIdKey;
    double amount;
    qint64 createdKey;
};

LinksModel::LinksModel(QObject* parent) : QAbstractTableModel(parent) {}

LinksModel::~LinksModel() = default;

int LinksModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int LinksModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LinksModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_shown.size())) {
        return {};
    }
    const Row& row = m_rows[m_shown[std::size_t(index.row())]];
    if (role == Qt::TextAlignmentRole) {
        return index.column() == Price ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case Item:
        return row.link.itemName;
    case ItemId:
        return row.link.itemId;
    case Price:
        return row.price;
    case Status:
        return row.status;
    case Created:
        return row.created;
    case Link:
        return row.link.link;
    default:
        return {};
    }
}

QVariant LinksModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const titles[ColumnCount] = {"Item", "Item ID", "Price", "Status", "Created", "Link"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

bool LinksModel::matches(const Row& row) const
{
    return m_filter.isEmpty() || row.link.itemName.contains(m_filter, Qt::CaseInsensitive) ||
           row.link.itemId.contains(m_filter, Qt::CaseInsensitive) ||
           row.link.link.contains(m_filter, Qt::CaseInsensitive);
}

// Whether row a comes before row b in the order of the sorted column; rows that tie
// keep the order PayPal gave them.
bool LinksModel::before(std::size_t a, std::size_t b) const
{
    const Row& x = m_order == Qt::AscendingOrder ? m_rows[a] : m_rows[b];
    const Row& y = m_order == Qt::AscendingOrder ? m_rows[b] : m_rows[a];
    int order = 0;
    switch (m_sortColumn) {
    case Item:
        order = x.itemKey.compare(y.itemKey);
        break;
    case ItemId:
        order = x.itemIdKey.compare(y.itemIdKey);
        break;
    case Price:
        order = x.link.currency != y.link.currency ? QString::compare(x.link.currency, y.link.currency)
                : x.amount < y.amount              ? -1
                                                   : int(x.amount > y.amount);
        break;
    case Status:
        order = QString::compare(x.status, y.status);
        break;
    case Created:
        order = x.createdKey < y.createdKey ? -1 : int(x.createdKey > y.createdKey);
        break;
    case Link:
        order = QString::compare(x.link.link, y.link.link);
        break;
    default:
        break;
    }
    return order != 0 ? order < 0 : a < b;
}

// The rows the filter matches, in the order of the sorted column.
std::vector<std::size_t> LinksModel::arranged() const
{
    std::vector<std::size_t> shown;
    shown.reserve(m_sorted.size());
    std::copy_if(m_sorted.begin(), m_sorted.end(), std::back_inserter(shown),
                 [this](std::size_t row) { return matches(m_rows[row]); });
    return shown;
}

void LinksModel::sort(int column, Qt::SortOrder order)
{
    if (column == m_sortColumn && order == m_order) {
        return;
    }
    m_sortColumn = column;
    m_order = order;
    std::sort(m_sorted.begin(), m_sorted.end(),
              [this](std::size_t a, std::size_t b) { return before(a, b); });
    rearrange();
}

// Puts the rows shown in order again; the selection and the current row follow their links.
void LinksModel::rearrange()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::size_t> links;
    links.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before) {
        links.push_back(m_shown[std::size_t(index.row())]);
    }
    m_shown = arranged();
    std::vector<int> rowOf(m_rows.size(), -1);
    for (std::size_t row = 0; row < m_shown.size(); ++row) {
        rowOf[m_shown[row]] = int(row);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        after << index(rowOf[links[std::size_t(i)]], before[i].column());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// The new links the filter matches go below the others, then into their places.
void LinksModel::append(const QList<PaymentLink>& links)
{
    const std::size_t first = m_rows.size();
    std::vector<std::size_t> added;
    for (const PaymentLink& link : links) {
        m_rows.emplace_back(link);
        m_sorted.push_back(m_rows.size() - 1);
        if (matches(m_rows.back())) {
            added.push_back(m_rows.size() - 1);
        }
    }
    const auto inOrder = [this](std::size_t a, std::size_t b) { return before(a, b); };
    const auto newRows = m_sorted.end() - std::ptrdiff_t(m_rows.size() - first);
    std::sort(newRows, m_sorted.end(), inOrder);
    std::inplace_merge(m_sorted.begin(), newRows, m_sorted.end(), inOrder);
    if (added.empty()) {
        return;
    }
    beginInsertRows({}, int(m_shown.size()), int(m_shown.size() + added.size()) - 1);
    m_shown.insert(m_shown.end(), added.begin(), added.end());
    endInsertRows();
    if (m_sortColumn >= 0) {
        rearrange();
    }
}

void LinksModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_sorted.clear();
    m_shown.clear();
    endResetModel();
}

void LinksModel::setFilter(const QString& text)
{
    if (text == m_filter) {
        return;
    }
    beginResetModel();
    // A longer filter keeps a part of the rows shown; no filter change sorts anything.
    const bool narrower = !m_filter.isEmpty() && text.contains(m_filter, Qt::CaseInsensitive);
    m_filter = text;
    if (narrower) {
        std::erase_if(m_shown, [this](std::size_t row) { return !matches(m_rows[row]); });
    } else {
        m_shown = arranged();
    }
    endResetModel();
}

void LinksModel::remove(const QString& id)
{
    const auto found =
        std::find_if(m_rows.begin(), m_rows.end(), [&id](const Row& row) { return row.link.id == id; });
    if (found == m_rows.end()) {
        return;
    }
    const std::size_t gone = std::size_t(found - m_rows.begin());
    const auto shown = std::find(m_shown.begin(), m_shown.end(), gone);
    const bool wasShown = shown != m_shown.end();
    if (wasShown) {
        const int row = int(shown - m_shown.begin());
        beginRemoveRows({}, row, row);
        m_shown.erase(shown);
    }
    m_rows.erase(found);
    std::erase(m_sorted, gone);
    for (auto* indexes : {&m_sorted, &m_shown}) {
        for (std::size_t& index : *indexes) {
            index -= index > gone ? 1 : 0;
        }
    }
    if (wasShown) {
        endRemoveRows();
    }
}

int LinksModel::total() const
{
    return int(m_rows.size());
}

const PaymentLink& LinksModel::link(int row) const
{
    return m_rows[m_shown[std::size_t(row)]].link;
}

} // namespace quorvane
