#pragma once

#include <QAbstractTableModel>

namespace quorvane {

class SiteMove;

// The PayPal forms a site move found, as the move window shows them: one row a form,
// in page order, with a check box for the rows a link can be made for. The rows are
// the move's own; the model only shows them and passes ticks on.
class MoveModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        PageLine,
        Item,
        Price,
        Kind,
        Carries,
        NotCarried,
        State,
        Link,
        ColumnCount
    };

    explicit MoveModel(SiteMove* move, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The move's rows changed: new rows (a scan) show afresh, others in place.
    void rowsChanged(int first, int last);

    SiteMove* m_move;
    int m_rows = 0;
};

} // namespace quorvane
