#pragma once

#include <initializer_list>
#include <utility>

class QTableView;

namespace quorvane {

// The look of the PayPal windows' tables: rows of one line of text with no row
// header, the last column taking what is left; each named column given its width in
// pixels.
void setTableLook(QTableView& table, std::initializer_list<std::pair<int, int>> columnWidths);

} // namespace quorvane
