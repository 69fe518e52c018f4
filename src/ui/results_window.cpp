// The results table window.
#include "ui/results_window.h"

#include "formats/table_text.h"
#include "formats/xlsx_workbook.h"
#include "formats/file_problem.h"
#include "ui/error_report.h"
#include "ui/qt_text.h"
#include "ui/results_table_model.h"
#include "ui/table_copy.h"
#include "ui/user_files.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace kaskad::ui {

using formats::FileProblem;
using formats::isValueColumn;
using formats::kTableColumnCount;
using formats::ResultsTable;

namespace {

// Draws a cell's text in one call, right-aligned on its background. The
// standard delegate lays out every cell's text as a paragraph; for a table
// of short numbers that costs more than the run whose rows it shows.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : option.state & QStyle::State_Active   ? QPalette::Active
                                                                                   : QPalette::Inactive;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
        else if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid())
            painter->fillRect(option.rect, background.value<QColor>());
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
        const QVariant alignment = index.data(Qt::TextAlignmentRole);
        painter->drawText(option.rect.adjusted(margin, 0, -margin, 0),
                          alignment.isValid() ? int(alignment.value<Qt::Alignment>())
                                              : Qt::AlignRight | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
        }
    }
};

// Fixed widths from the font, wide enough for any number a pane prints and
// for the usual field texts: measuring 12,000 rows' texts would cost more
// than showing them. The error's message gets the room of a sentence.
void sizeColumns(QTableView& view, ModelKind model)
{
    const QFontMetrics metrics(view.font());
    const int padding = 2 * metrics.horizontalAdvance(QLatin1Char('0'));
    view.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < kTableColumnCount; ++column) {
        const QString widest = isValueColumn(column)                    ? QStringLiteral("-8.88888888888888E-88")
                               : column == formats::kErrorMessageColumn ? QString(40, QLatin1Char('n'))
                               : column == formats::kErrorKindColumn    ? QStringLiteral("EConvertError")
                               : formats::isFieldColumn(column)         ? QStringLiteral("0.0000")
                                                                        : QStringLiteral("88888");
        const QString name = toQString(formats::tableColumnName(model, column));
        view.setColumnWidth(column,
                            std::max(metrics.horizontalAdvance(widest), metrics.horizontalAdvance(name)) + 2 * padding);
    }
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    view.verticalHeader()->hide();
}

const std::array<SavedFileType<const formats::ResultsTable, std::string>, 2> kResultFiles = {{
    {{QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")}, formats::csvText},
    {{QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("xlsx")}, formats::xlsxWorkbook},
}};

} // namespace

ResultsWindow::ResultsWindow(ResultsTableModel& model, const QString& modelCaption, std::function<void()> showChart)
    : model_(model)
{
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowTitle(QStringLiteral("Результаты — ") + modelCaption);
    view_ = new CopyingTableView([this] { copySelection(formats::WithHeader::no); });
    view_->setObjectName(QStringLiteral("ResultsView"));
    view_->setModel(&model_);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setWordWrap(false);
    view_->setItemDelegate(new CellDelegate(view_));
    sizeColumns(*view_, model_.table().model());
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("ResultsStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A new text does not resize the window: the line takes the room it is given.
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    save_ = new QPushButton(QStringLiteral("Сохранить…"));
    save_->setObjectName(QStringLiteral("ResultsSave"));
    onClick(save_, this, &ResultsWindow::save);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_);
    layout->addLayout(bottom);
    resize(1180, 520);

    addShortcuts(std::move(showChart));
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] { guarded([this] { updateStatus(); }); });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { guarded([this] { updateStatus(); }); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { guarded([this] { updateStatus(); }); });
    updateStatus();
}

void ResultsWindow::addShortcut(const QString& text, const QKeySequence& keys, std::function<void()> handler)
{
    auto* action = new QAction(text, this);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { guarded(handler); });
    addAction(action);
    view_->addAction(action);
}

void ResultsWindow::addShortcuts(std::function<void()> showChart)
{
    addShortcut(QStringLiteral("Копировать"), QKeySequence::Copy, [this] { copySelection(formats::WithHeader::no); });
    addShortcut(QStringLiteral("Копировать с заголовками"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                [this] { copySelection(formats::WithHeader::yes); });
    addShortcut(QStringLiteral("Выделить всё"), QKeySequence::SelectAll, [this] { view_->selectAll(); });
    addShortcut(QStringLiteral("Профиль каскада"), QKeySequence(Qt::CTRL | Qt::Key_G), std::move(showChart));
    addShortcut(QStringLiteral("Сохранить…"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); });
    addShortcut(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape), [this] { close(); });
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void ResultsWindow::addReportActions(std::function<void()> save, std::function<void()> print)
{
    addShortcut(QStringLiteral("Отчёт…"), QKeySequence(Qt::CTRL | Qt::Key_P), std::move(save));
    addShortcut(QStringLiteral("Печать…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), std::move(print));
}

void ResultsWindow::copySelection(formats::WithHeader header)
{
    const std::string text =
        formats::tabSeparatedText(model_.table(), selectionOf(*view_), model_.decimalSeparator(), header);
    QGuiApplication::clipboard()->setText(toQString(text));
}

void ResultsWindow::save()
{
    const std::optional<ChosenFile> chosen = chooseFile(
        this, {true, QStringLiteral("Сохранить результаты"), fileTypesOf(kResultFiles), QStringLiteral("результаты")});
    if (!chosen)
        return;
    std::string bytes;
    try {
        bytes = kResultFiles[chosen->type].bytesOf(model_.table());
    } catch (const FileProblem& problem) {
        throw FileProblem(cannotSave(chosen->path, problem.message()));
    }
    writeWholeFile(chosen->path, QByteArray::fromStdString(bytes));
}

std::vector<std::size_t> ResultsWindow::selectedRuns() const
{
    std::set<std::size_t> runs;
    for (const QItemSelectionRange& range : view_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            runs.insert(model_.table().runNumber(std::size_t(row)) - 1);
    return {runs.begin(), runs.end()};
}

// The error of the current row's run when it failed, else that of the last
// run when it failed; the count of runs and rows otherwise.
void ResultsWindow::updateStatus()
{
    const ResultsTable& table = model_.table();
    const QModelIndex current = view_->currentIndex();
    std::optional<std::size_t> row;
    if (current.isValid() && table.runOf(std::size_t(current.row())).error)
        row = std::size_t(current.row());
    else if (table.rowCount() > 0 && table.runOf(table.rowCount() - 1).error)
        row = table.rowCount() - 1;
    QString text = QStringLiteral("Расчётов: %1, строк: %2").arg(table.runCount()).arg(table.rowCount());
    if (row) {
        std::size_t last = *row;
        while (last + 1 < table.rowCount() && table.runNumber(last + 1) == table.runNumber(*row))
            ++last;
        const RunError& error = *table.errorOf(last);
        text = QStringLiteral("Расчёт %1").arg(table.runNumber(last));
        if (error.reactor != 0)
            text += QStringLiteral(", реактор %1").arg(error.reactor);
        text += QStringLiteral(": ") + toQString(error.message);
    }
    status_->setText(text);
}

} // namespace kaskad::ui
