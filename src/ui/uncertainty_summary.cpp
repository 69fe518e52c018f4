// The summaries' table.
#include "ui/uncertainty_summary.h"

#include "ui/qt_text.h"
#include "ui/table_index.h"

namespace kaskad::ui {

namespace {

// Before the quantiles: the runs, the mean and the deviation.
constexpr int kLeadingStatistics = 3;

} // namespace

void UncertaintySummaryModel::show(const study::UncertaintyResult* result)
{
    beginResetModel();
    columns_.clear();
    if (result) {
        columns_.emplace_back("запас", result->margin);
        for (const auto& [pane, summary] : result->quantities)
            columns_.emplace_back(std::string(kaskad::quantityName(pane)), summary);
    }
    endResetModel();
}

int UncertaintySummaryModel::statisticCount() { return kLeadingStatistics + int(study::kQuantileLevels.size()); }

QString UncertaintySummaryModel::statisticName(int statistic) const
{
    switch (statistic) {
    case 0:
        return QStringLiteral("Расчётов с запасом");
    case 1:
        return QStringLiteral("Среднее");
    case 2:
        return QStringLiteral("Ст. отклонение");
    default:
        return QStringLiteral("Квантиль %1 %")
            .arg(extendedNumberText(100.0L * study::kQuantileLevels[std::size_t(statistic - kLeadingStatistics)],
                                    separator_));
    }
}

QString UncertaintySummaryModel::cellText(int statistic, int quantity) const
{
    const std::optional<study::Summary>& summary = columns_[std::size_t(quantity)].second;
    if (!summary)
        return statistic == 0 ? QStringLiteral("0") : QStringLiteral("—");
    switch (statistic) {
    case 0:
        return QString::number(summary->count);
    case 1:
        return extendedNumberText(summary->mean, separator_);
    case 2:
        return extendedNumberText(summary->deviation, separator_);
    default:
        return extendedNumberText(summary->quantiles[std::size_t(statistic - kLeadingStatistics)], separator_);
    }
}

QVariant UncertaintySummaryModel::data(const QModelIndex& index, int role) const
{
    if (!isCellOf(*this, index))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant UncertaintySummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !isSectionOf(*this, section, orientation))
        return {};
    return orientation == Qt::Horizontal ? quantityName(section) : statisticName(section);
}

} // namespace kaskad::ui
