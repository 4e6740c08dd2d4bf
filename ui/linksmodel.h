#pragma once

#include "paymentlink.h"

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QList>
#include <vector>

namespace quorvane {

// The seller's payment links as the list window shows them: one row a link, in the
// order of the column last sorted, only those the filter matches. Sorting works on keys
// made once, when a link arrives, and filtering only picks from the rows kept in order,
// so that ten thousand rows answer within a frame.
class LinksModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Item,
        ItemId,
        Price,
        Status,
        Created,
        Link,
        ColumnCount
    };

    explicit LinksModel(QObject* parent = nullptr);
    ~LinksModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Adds a page of links, each in its place in the order shown.
    void append(const QList<PaymentLink>& links);
    void clear();
    // Shows only the links whose item, item ID or link holds `text`, whatever its case.
    void setFilter(const QString& text);
    // Takes away the link with this ID, shown or not.
    void remove(const QString& id);

    const PaymentLink& link(int row) const;
    // Every link held, shown or not.
    int total() const;

private:
    struct Row;

    bool matches(const Row& row) const;
    bool before(std::size_t a, std::size_t b) const;
    std::vector<std::size_t> arranged() const;
    void rearrange();

    std::vector<Row> m_rows;
    // Every row in the order of the sorted column, and the rows shown, as indexes into m_rows.
    std::vector<std::size_t> m_sorted;
    std::vector<std::size_t> m_shown;
    QString m_filter;
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace quorvane
