// The results table model.
#include "ui/results_table_model.h"

#include "ui/qt_text.h"
#include "ui/quantity_notes.h"
#include "ui/regional_settings.h"
#include "ui/table_index.h"

#include <QColor>
#include <QStringList>

namespace kaskad::ui {

using formats::isValueColumn;
using formats::kTableColumnCount;
using formats::paneOfColumn;

ResultsTableModel::ResultsTableModel(ModelKind model, const std::vector<RunRecord>& runs,
                                     const RegionalSettings& settings, QObject* parent)
    : QAbstractTableModel(parent), table_(model, runs), settings_(settings)
{}

int ResultsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(table_.rowCount());
}

int ResultsTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kTableColumnCount; }

QVariant ResultsTableModel::data(const QModelIndex& index, int role) const
{
    if (!isCellOf(*this, index))
        return {};
    const std::size_t row = std::size_t(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return toQString(table_.cellText(row, index.column(), decimalSeparator()));
    case Qt::ToolTipRole:
        return toolTip(row, index.column());
    case Qt::BackgroundRole:
        if (table_.brokenLimit(row, index.column()))
            return outsidePhysicsColour();
        if (table_.missedBound(row, index.column()))
            return missedBoundColour();
        if (table_.errorOf(row))
            return failingRowColour();
        return {};
    case Qt::TextAlignmentRole:
        // Numbers to the right; the error's words read from the left.
        return QVariant::fromValue(formats::isErrorColumn(index.column()) ? Qt::AlignLeft | Qt::AlignVCenter
                                                                          : Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ResultsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !isSectionOf(*this, section, orientation))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return toQString(formats::tableColumnName(table_.model(), section));
    if (role == Qt::ToolTipRole)
        return columnNote(section);
    return {};
}

void ResultsTableModel::runsAdded()
{
    const std::size_t added = table_.newRowCount();
    if (added == 0) {
        table_.takeNewRuns();
        return;
    }
    const int first = int(table_.rowCount());
    beginInsertRows({}, first, first + int(added) - 1);
    table_.takeNewRuns();
    endInsertRows();
}

DecimalSeparator ResultsTableModel::decimalSeparator() const { return settings_.decimalSeparator(); }

// A value outside its physical limits says which and why; then the bound it
// misses, and the error of the reactor the run failed in.
QVariant ResultsTableModel::toolTip(std::size_t row, int column) const
{
    QStringList lines;
    if (const PhysicalLimit* limit = table_.brokenLimit(row, column))
        lines
            << QStringLiteral("Вне физических пределов: %1 — %2").arg(toQString(limit->rule), toQString(limit->reason));
    if (const CriterionBound* bound = table_.missedBound(row, column))
        lines << toQString(bound->label);
    if (const RunError* error = table_.errorOf(row))
        lines << toQString(error->message);
    if (lines.isEmpty())
        return {};
    return lines.join(QLatin1Char('\n'));
}

// What a column holds: the field's or quantity's meaning and unit.
QString ResultsTableModel::columnNote(int column) const
{
    if (formats::isFieldColumn(column))
        return fieldNote(table_.model(), formats::fieldOfColumn(column));
    if (isValueColumn(column))
        return toQString(kPaneTitles[paneOfColumn(column)]) + QLatin1Char('\n') + quantityNote(paneOfColumn(column));
    switch (column) {
    case formats::kRunColumn:
        return QStringLiteral("Номер расчёта: расчёты окна нумеруются по порядку, пока работает программа.");
    case formats::kReactorColumn:
        return QStringLiteral("Номер реактора в каскаде.");
    case formats::kErrorKindColumn:
        return QStringLiteral("Вид ошибки, которой закончился расчёт: EConvertError — текст поля не число; "
                              "EInvalidOp, EZeroDivide, EOverflow — сбой вычисления.");
    default:
        return QStringLiteral("Сообщение об ошибке, как его показало окно.");
    }
}

QColor ResultsTableModel::outsidePhysicsColour() { return QColor(214, 196, 255); }

QColor ResultsTableModel::missedBoundColour() { return QColor(255, 196, 196); }

QColor ResultsTableModel::failingRowColour() { return QColor(255, 236, 179); }

} // namespace kaskad::ui
