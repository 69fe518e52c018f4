// Whether an index or a header section names a cell or a section of a table
// model: a view asks for the cell of no current index (the invalid index)
// when its table is empty, and a model must answer nothing there.
#pragma once

#include <QAbstractItemModel>

namespace kaskad::ui {

inline bool isCellOf(const QAbstractItemModel& model, const QModelIndex& index)
{
    return index.isValid() && index.model() == &model && !index.parent().isValid() && index.row() < model.rowCount() &&
           index.column() < model.columnCount();
}

inline bool isSectionOf(const QAbstractItemModel& model, int section, Qt::Orientation orientation)
{
    return section >= 0 && section < (orientation == Qt::Horizontal ? model.columnCount() : model.rowCount());
}

} // namespace kaskad::ui
