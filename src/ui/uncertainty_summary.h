// The summaries of an uncertainty study as a table: a row per statistic (the
// runs that gave a value, the mean, the deviation and the quantiles) and a
// column per quantity summarised, with the digits kaskad-cli prints.
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

    static int statisticCount();
    QString statisticName(int statistic) const;
    QString quantityName(int quantity) const { return QString::fromStdString(columns_[std::size_t(quantity)].first); }
    QString cellText(int statistic, int quantity) const;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : statisticCount(); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(columns_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<std::pair<std::string, std::optional<study::Summary>>> columns_;
    DecimalSeparator separator_;
};

} // namespace kaskad::ui
