// The results table window of a model window: every reactor of every run
// the window has kept, copied as tab-separated text, saved as
// CSV or XLSX.
#pragma once

#include "formats/table_text.h"

#include <QWidget>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace kaskad::ui {

class ResultsTableModel;

class ResultsWindow : public QWidget {
public:
    // Captioned "Результаты — " and the model window's caption; Ctrl+G in it
    // calls `showChart`.
    ResultsWindow(ResultsTableModel& model, const QString& modelCaption, std::function<void()> showChart);

    // Ctrl+P "Отчёт…" and Ctrl+Shift+P "Печать…" in the window and the
    // table's menu.
    void addReportActions(std::function<void()> save, std::function<void()> print);

    QTableView* view() const { return view_; }
    QLabel* statusLine() const { return status_; }
    QPushButton* saveButton() const { return save_; }

    // Ctrl+C: the selected cells, or the whole table when none is selected,
    // to the clipboard as tab-separated text with a header row.
    void copySelection(formats::WithHeader header);
    // Ctrl+S and the button: CSV or XLSX, as the file type chosen says.
    void save();
    // The runs of the selected cells' rows, from 0, in order; none while no
    // cell is selected.
    std::vector<std::size_t> selectedRuns() const;

private:
    void addShortcuts(std::function<void()> showChart);
    void addShortcut(const QString& text, const QKeySequence& keys, std::function<void()> handler);
    void updateStatus();

    ResultsTableModel& model_;
    QTableView* view_;
    QLabel* status_;
    QPushButton* save_;
};

} // namespace kaskad::ui
