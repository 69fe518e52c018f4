// The results table as a Qt table model over a window's runs: it formats
// each cell when a view asks for it and keeps no copy of the values.
#pragma once

#include "formats/results_table.h"

#include <QAbstractTableModel>

#include <vector>

namespace kaskad::ui {

class RegionalSettings;

class ResultsTableModel : public QAbstractTableModel {
public:
    ResultsTableModel(ModelKind model, const std::vector<RunRecord>& runs, const RegionalSettings& settings,
                      QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // The cell's text with the window's separator; as tooltip the physical
    // limit a value breaks, the bound a cell misses or the error of a failing
    // reactor's row, each with a background of its own.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The window has kept new runs: their rows go to the end.
    void runsAdded();

    const formats::ResultsTable& table() const { return table_; }
    DecimalSeparator decimalSeparator() const;

    // The background of a value outside its quantity's physical limits.
    static QColor outsidePhysicsColour();
    // The background of a cell outside its bound.
    static QColor missedBoundColour();
    // The background of the row of the reactor a run failed in.
    static QColor failingRowColour();

private:
    QVariant toolTip(std::size_t row, int column) const;
    QString columnNote(int column) const;

    formats::ResultsTable table_;
    const RegionalSettings& settings_;
};

} // namespace kaskad::ui
