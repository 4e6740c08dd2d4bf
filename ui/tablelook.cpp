#include "tablelook.h"

#include <QHeaderView>
#include <QTableView>

namespace quorvane {

void setTableLook(QTableView& table, std::initializer_list<std::pair<int, int>> columnWidths)
{
    table.verticalHeader()->hide();
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
    QHeaderView* header = table.horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    for (const auto& [column, width] : columnWidths) {
        header->resizeSection(column, width);
    }
}

} // namespace quorvane
