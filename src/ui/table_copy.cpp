// Copying a table view's selected cells.
#include "ui/table_copy.h"

#include "ui/error_report.h"
#include "ui/qt_text.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

#include <numeric>
#include <set>

namespace kaskad::ui {

void CopyingTableView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        guarded(copy_);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

formats::TableSelection selectionOf(const QTableView& view)
{
    const QItemSelection ranges = view.selectionModel()->selection();
    formats::TableSelection selection;
    if (ranges.isEmpty()) {
        selection.rows.resize(std::size_t(view.model()->rowCount()));
        std::iota(selection.rows.begin(), selection.rows.end(), std::size_t(0));
        selection.columns.resize(std::size_t(view.model()->columnCount()));
        std::iota(selection.columns.begin(), selection.columns.end(), 0);
        return selection;
    }
    std::set<std::size_t> rows;
    std::set<int> columns;
    for (const QItemSelectionRange& range : ranges) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(std::size_t(row));
        for (int column = range.left(); column <= range.right(); ++column)
            columns.insert(column);
    }
    selection.rows.assign(rows.begin(), rows.end());
    selection.columns.assign(columns.begin(), columns.end());
    if (ranges.size() > 1)
        selection.contains = [ranges](std::size_t row, int column) {
            for (const QItemSelectionRange& range : ranges)
                if (range.contains(int(row), column, {}))
                    return true;
            return false;
        };
    return selection;
}

void copySelectedCells(const QTableView& view, formats::WithHeader header)
{
    const QAbstractItemModel& model = *view.model();
    const std::string text = formats::tabSeparatedText(
        selectionOf(view),
        [&](int column) { return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().toStdString(); },
        [&](std::size_t row, int column) {
            return model.data(model.index(int(row), column), Qt::DisplayRole).toString().toStdString();
        },
        header);
    QGuiApplication::clipboard()->setText(toQString(text));
}

} // namespace kaskad::ui
