// Copying a table view's cells as the results and study tables do: Ctrl+C
// the selected cells (a single cell just its value), Ctrl+Shift+C the same
// with the columns' names first; the whole table when nothing is selected.
#pragma once

#include "formats/table_text.h"

#include <QTableView>

#include <functional>

namespace kaskad::ui {

// A table view whose copy key copies the selection as its window does,
// rather than the current cell's text alone.
class CopyingTableView : public QTableView {
public:
    explicit CopyingTableView(std::function<void()> copy) : copy_(std::move(copy)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> copy_;
};

// The rows and columns the view's selection spans and which of their cells
// it holds; every cell of its model when none is selected.
formats::TableSelection selectionOf(const QTableView& view);

// The view's selected cells as its model shows them, tab-separated, to the
// clipboard.
void copySelectedCells(const QTableView& view, formats::WithHeader header);

} // namespace kaskad::ui
