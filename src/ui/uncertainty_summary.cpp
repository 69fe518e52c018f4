// The summaries' table.
#include "ui/uncertainty_summary.h"

#include "ui/qt_text.h"

namespace kaskad::ui {

namespace {

// Before the quantiles: the quantity, its runs, mean and deviation.
constexpr int kLeadingColumns = 4;

} // namespace

void UncertaintySummaryModel::show(const study::UncertaintyResult* result)
{
    beginResetModel();
    rows_.clear();
    if (result) {
        rows_.emplace_back("запас", result->margin);
        for (const auto& [pane, summary] : result->quantities)
            rows_.emplace_back(std::string(quantityName(pane)), summary);
    }
    endResetModel();
}

int UncertaintySummaryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kLeadingColumns + int(study::kQuantileLevels.size());
}

QString UncertaintySummaryModel::headerText(int column) const
{
    switch (column) {
    case 0:
        return QStringLiteral("Величина");
    case 1:
        return QStringLiteral("Расчётов");
    case 2:
        return QStringLiteral("Среднее");
    case 3:
        return QStringLiteral("Ст. отклонение");
    default:
        return QStringLiteral("Квантиль %1 %")
            .arg(
                extendedNumberText(100.0L * study::kQuantileLevels[std::size_t(column - kLeadingColumns)], separator_));
    }
}

QString UncertaintySummaryModel::cellText(int row, int column) const
{
    const auto& [name, summary] = rows_[std::size_t(row)];
    if (column == 0)
        return toQString(name);
    if (!summary)
        return column == 1 ? QStringLiteral("0") : QStringLiteral("—");
    switch (column) {
    case 1:
        return QString::number(summary->count);
    case 2:
        return extendedNumberText(summary->mean, separator_);
    case 3:
        return extendedNumberText(summary->deviation, separator_);
    default:
        return extendedNumberText(summary->quantiles[std::size_t(column - kLeadingColumns)], separator_);
    }
}

QVariant UncertaintySummaryModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue((index.column() == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    return {};
}

QVariant UncertaintySummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headerText(section);
    return {};
}

} // namespace kaskad::ui
