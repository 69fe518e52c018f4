// The summaries of an uncertainty study as a table: a row for the margin and
// one per outlet quantity, the runs that gave it, its mean, deviation and
// quantiles with the digits kaskad-cli prints.
#pragma once

#include "uncertainty/uncertainty.h"

#include <QAbstractTableModel>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kaskad::ui {

class UncertaintySummaryModel : public QAbstractTableModel {
public:
    void setDecimalSeparator(DecimalSeparator separator) { separator_ = separator; }
    // The result's summaries, or none.
    void show(const study::UncertaintyResult* result);

    QString cellText(int row, int column) const;
    QString headerText(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<std::pair<std::string, std::optional<study::Summary>>> rows_;
    DecimalSeparator separator_;
};

} // namespace kaskad::ui
