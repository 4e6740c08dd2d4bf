#include "movemodel.h"

#include "sitemove.h"

namespace quorvane {

MoveModel::MoveModel(SiteMove* move, QObject* parent) : QAbstractTableModel(parent), m_move(move)
{
    connect(m_move, &SiteMove::rowsChanged, this, &MoveModel::rowsChanged);
    // A scan that finds fewer rows than the last, or none, says so only by finishing.
    connect(m_move, &SiteMove::finished, this, [this] { rowsChanged(0, m_move->rowCount() - 1); });
}

int MoveModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int MoveModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MoveModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows) {
        return {};
    }
    const MoveRow& row = m_move->row(index.row());
    if (role == Qt::CheckStateRole) {
        return index.column() == PageLine && row.tickable ? QVariant(row.ticked ? Qt::Checked : Qt::Unchecked)
                                                          : QVariant();
    }
    if (role == Qt::TextAlignmentRole) {
        return index.column() == Price ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case PageLine:
        return row.page + u':' + QString::number(row.line);
    case Item:
        return row.item;
    case Price:
        return row.price;
    case Kind:
        return row.kind;
    case Carries:
        return row.carries;
    case NotCarried:
        return row.notCarried;
    case State:
        return row.stateText;
    case Link:
        return row.link;
    default:
        return {};
    }
}

bool MoveModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable)) {
        return false;
    }
    m_move->setTicked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    emit dataChanged(index, index.siblingAtColumn(ColumnCount - 1));
    return true;
}

Qt::ItemFlags MoveModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.row() < m_rows && index.column() == PageLine &&
        m_move->row(index.row()).tickable && !m_move->isBusy()) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

QVariant MoveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const titles[ColumnCount] = {"Page and line", "Item",        "Price", "Kind",
                                                    "Carries",       "Not carried", "State", "Link"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

void MoveModel::rowsChanged(int first, int last)
{
    if (m_move->rowCount() != m_rows) {
        beginResetModel();
        m_rows = m_move->rowCount();
        endResetModel();
        return;
    }
    if (first <= last && last < m_rows) {
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    }
}

} // namespace quorvane
