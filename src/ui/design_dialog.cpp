// The design window: its controls, the search on a thread of its own and the
// table of its answers.
#include "ui/design_dialog.h"

#include "formats/json_document.h"
#include "study/optimize.h"
#include "study/solve.h"
#include "study/study_error.h"
#include "ui/error_report.h"
#include "ui/qt_text.h"
#include "ui/table_index.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kaskad::ui {

// What a search gave back to the GUI thread.
struct DesignOutcome {
    std::shared_ptr<const study::DesignProblem> problem;
    std::optional<study::OptimizeResult> optimized;
    std::shared_ptr<const study::Target> target;
    QString solvedField; // the name of the field the solver searches
    std::optional<study::SolveResult> solved;
    std::exception_ptr error;
};

// The answers as a table: a row per reactor count (the optimiser) or per
// root (the solver), the texts each would put into the fields.
class DesignResultsModel : public QAbstractTableModel {
public:
    struct Row {
        FieldTexts texts;
        QStringList cells;
    };

    // Columns from `textColumns` on hold words, aligned left; the others
    // numbers, aligned right.
    void show(QStringList headers, std::vector<Row> rows, std::optional<int> highlighted, int best, int textColumns)
    {
        beginResetModel();
        textColumns_ = textColumns;
        headers_ = std::move(headers);
        rows_ = std::move(rows);
        highlighted_ = highlighted;
        best_ = best;
        endResetModel();
    }
    const Row& row(int r) const { return rows_[std::size_t(r)]; }
    std::optional<int> highlighted() const { return highlighted_; }

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(headers_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!isCellOf(*this, index))
            return {};
        const bool marked = highlighted_ == index.row();
        switch (role) {
        case Qt::DisplayRole:
            return row(index.row()).cells.value(index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue((index.column() >= textColumns_ ? Qt::AlignLeft : Qt::AlignRight) |
                                       Qt::AlignVCenter);
        case Qt::BackgroundRole:
            return marked ? QVariant(QColor(0xd4, 0xee, 0xd4)) : QVariant();
        case Qt::FontRole: {
            QFont font;
            font.setBold(index.row() == best_);
            return font;
        }
        case Qt::ToolTipRole:
            return marked ? QStringLiteral("Наименьшее число реакторов, при котором выполняется критерий") : QVariant();
        default:
            return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && isSectionOf(*this, section, orientation))
            return headers_.value(section);
        return {};
    }

private:
    QStringList headers_;
    std::vector<Row> rows_;
    std::optional<int> highlighted_;
    int best_ = -1;
    int textColumns_ = 0;
};

namespace {

const QString kBoundsNote = QStringLiteral("Границы величин, по одной в строке: Q>=V, Q>V, Q<=V или Q<V; "
                                           "с приставкой all: — в каждом реакторе");

// Texts typed with "." as the library gives them, with the window's separator.
FieldTexts withWindowSeparator(const FieldTexts& texts, DecimalSeparator separator)
{
    FieldTexts converted;
    for (int n = 1; n <= kFieldCount; ++n)
        converted[Field(n)] = formats::numberWithSeparator(texts[Field(n)], '.', separator);
    return converted;
}

QString optionalNumberText(const std::optional<double>& value, DecimalSeparator separator)
{
    return value ? numberText(*value, separator) : QStringLiteral("—");
}

struct AnswersShown {
    QStringList headers;
    std::vector<DesignResultsModel::Row> rows;
    std::optional<int> highlighted;
    int best = -1;
    int textColumns = 0;
    QString status;
};

// A row per reactor count: the searched fields' texts, the objective, the
// criterion's verdict and the bound that limits the answer.
AnswersShown optimizerAnswers(const study::DesignProblem& problem, const study::OptimizeResult& result,
                              DecimalSeparator separator)
{
    AnswersShown shown;
    const bool margin = problem.objective.isMargin();
    shown.headers << QStringLiteral("N");
    for (const study::IntervalField& field : problem.space.intervals())
        if (field.field != fieldN)
            shown.headers << toQString(field.name);
    // With tolerances the nominal margin, the plain run's, stands beside the
    // worst one over the tolerances' box; a margin objective is the latter.
    const bool robust = problem.robust();
    if (!(robust && margin))
        shown.headers << (margin ? QStringLiteral("запас") : toQString(problem.objective.name));
    if (robust)
        shown.headers << QStringLiteral("номинальный запас") << QStringLiteral("запас при допусках");
    shown.headers << QStringLiteral("критерий") << QStringLiteral("ограничивает");
    for (const study::DesignAnswer& answer : result.byReactors) {
        DesignResultsModel::Row row{withWindowSeparator(answer.texts(), separator), {QString::number(answer.reactors)}};
        for (const study::IntervalField& field : problem.space.intervals())
            if (field.field != fieldN)
                row.cells << toQString(row.texts[field.field]);
        const bool computed = answer.assessment.computed;
        if (!(robust && margin))
            row.cells << (computed ? numberText(double(study::objectiveValue(problem, answer.assessment)), separator)
                                   : QStringLiteral("расчёт не удался"));
        if (robust)
            row.cells << optionalNumberText(answer.nominal ? answer.nominal->margin : std::nullopt, separator)
                      << optionalNumberText(study::robustMargin(problem, answer), separator);
        row.cells << (!computed                          ? QStringLiteral("—")
                      : answer.assessment.meetsCriterion ? QStringLiteral("выполнен")
                                                         : QStringLiteral("не выполнен"))
                  << (answer.limiting.empty() ? QStringLiteral("—") : toQString(answer.limiting));
        shown.rows.push_back(std::move(row));
    }
    shown.textColumns = int(shown.headers.size()) - 2;
    if (result.smallestMeeting)
        shown.highlighted = int(*result.smallestMeeting);
    shown.best = int(result.best);
    shown.status =
        QStringLiteral("Расчётов модели: %1%2. %3 N = %4.")
            .arg(result.evaluations)
            .arg(result.stopped ? QStringLiteral(", подбор остановлен") : QString(),
                 result.bestAnswer().meets ? QStringLiteral("Лучший ответ (выделен жирным):")
                                           : QStringLiteral("Ни один ответ не выполняет условий; ближайший:"))
            .arg(result.bestAnswer().reactors);
    shown.status += result.smallestMeeting
                        ? QStringLiteral(" Наименьшее число реакторов, при котором выполняется критерий: %1.")
                              .arg(result.byReactors[*result.smallestMeeting].reactors)
                        : QStringLiteral(" Критерий не выполняется ни при одном числе реакторов.");
    return shown;
}

// A row per root: the field's text and the quantity in the run of it; the
// closest scan point when there is no root.
AnswersShown solverAnswers(const study::Target& target, const QString& field, const study::SolveResult& result,
                           DecimalSeparator separator)
{
    AnswersShown shown;
    const std::vector<study::SolvedPoint>& points =
        result.roots.empty() && result.closest ? std::vector<study::SolvedPoint>{*result.closest} : result.roots;
    for (const study::SolvedPoint& point : points)
        shown.rows.push_back({withWindowSeparator(point.texts(), separator),
                              {toQString(formats::numberWithSeparator(point.fieldText, '.', separator)),
                               numberText(point.value, separator)}});
    shown.headers << field << toQString(quantityName(target.pane));
    shown.textColumns = 2;
    shown.status = QStringLiteral("Расчётов модели: %1%2. ")
                       .arg(result.evaluations)
                       .arg(result.stopped ? QStringLiteral(", поиск остановлен") : QString());
    shown.status += !result.roots.empty() ? QStringLiteral("Корней: %1.").arg(result.roots.size())
                    : result.closest ? QStringLiteral("Корней нет; показана ближайшая точка просмотра.")
                                     : QStringLiteral("Корней нет: ни один расчёт не удался.");
    return shown;
}

} // namespace

DesignDialog::DesignDialog(ModelKind model, DecimalSeparator separator, const QString& modelCaption,
                           std::function<void(const FieldTexts&)> fill)
    : model_(model),
      separator_(separator),
      putIntoFields_(std::move(fill)),
      results_(std::make_unique<DesignResultsModel>())
{
    setObjectName(QStringLiteral("DesignDialog"));
    setWindowTitle(QStringLiteral("Подбор параметров — ") + modelCaption);
    answers_ = new QTableView;
    answers_->setObjectName(QStringLiteral("DesignAnswers"));
    answers_->setModel(results_.get());
    answers_->setSelectionBehavior(QAbstractItemView::SelectRows);
    answers_->setSelectionMode(QAbstractItemView::SingleSelection);
    answers_->setTabKeyNavigation(false);
    answers_->verticalHeader()->hide();
    answers_->verticalHeader()->setDefaultSectionSize(answers_->fontMetrics().height() + 8);
    answers_->horizontalHeader()->setStretchLastSection(true);
    answers_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("DesignStatus"));
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(buildFields(), 3);
    top->addWidget(buildGoal(), 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buildButtons());
    layout->addWidget(answers_, 1);
    layout->addWidget(status_);
    setTabOrder(answers_, fill_);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, [this] { guarded([this] { updateProgress(); }); });
    connect(answers_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { guarded([this] { updateControls(); }); });
    auto* closeKey = new QAction(QStringLiteral("Закрыть"), this);
    closeKey->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
    addAction(closeKey);
    showRunning(false);
    resize(1120, 720);
}

DesignDialog::~DesignDialog()
{
    worker_.request_stop();
    if (worker_.joinable())
        worker_.join();
}

// A row per field: searched or not, its value or the ends of its interval.
QWidget* DesignDialog::buildFields()
{
    auto* box = new QGroupBox(QStringLiteral("Поля: значение или интервал поиска"));
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Искать")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Значение / от")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("до")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("допуск")), 0, 3);
    for (const FieldDescription& field : modelFields(model_)) {
        const int row = int(field.field);
        auto* searched = new QCheckBox(toQString(field.caption));
        searched->setObjectName(QStringLiteral("DesignSearched%1").arg(row));
        searched->setEnabled(field.converted());
        auto* from = new QLineEdit;
        from->setObjectName(QStringLiteral("DesignFrom%1").arg(row));
        auto* to = new QLineEdit;
        to->setObjectName(QStringLiteral("DesignTo%1").arg(row));
        to->setEnabled(false);
        connect(searched, &QCheckBox::toggled, to, &QWidget::setEnabled);
        auto* tolerance = new QLineEdit;
        tolerance->setObjectName(QStringLiteral("DesignTolerance%1").arg(row));
        tolerance->setPlaceholderText(field.converted() && field.field != fieldN ? QStringLiteral("±D, ±P%")
                                                                                 : QString());
        tolerance->setToolTip(QStringLiteral("Допуск, в котором завод держит поле: ответ оценивается по худшему "
                                             "случаю в пределах допусков"));
        tolerance->setEnabled(field.converted() && field.field != fieldN);
        grid->addWidget(searched, row, 0);
        grid->addWidget(from, row, 1);
        grid->addWidget(to, row, 2);
        grid->addWidget(tolerance, row, 3);
        searched_[field.field] = searched;
        from_[field.field] = from;
        to_[field.field] = to;
        tolerance_[field.field] = tolerance;
    }
    // The values hold a stored single's digits, the tolerances a few.
    const QFontMetrics metrics = box->fontMetrics();
    for (int column : {1, 2})
        grid->setColumnMinimumWidth(column, metrics.horizontalAdvance(QStringLiteral("0.000000000")) + 16);
    grid->setColumnMinimumWidth(3, metrics.horizontalAdvance(QStringLiteral("±88.8%")) + 16);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(kFieldCount + 1, 1);
    return box;
}

QWidget* DesignDialog::buildGoal()
{
    auto* box = new QGroupBox(QStringLiteral("Цель и ограничения"));
    auto* form = new QFormLayout(box);
    goal_ = new QComboBox;
    goal_->setObjectName(QStringLiteral("DesignGoal"));
    goal_->addItems({QStringLiteral("наибольший запас по критерию"), QStringLiteral("наибольшее значение величины"),
                     QStringLiteral("наименьшее значение величины"), QStringLiteral("заданное значение величины")});
    quantity_ = new QComboBox;
    quantity_->setObjectName(QStringLiteral("DesignQuantity"));
    // The quantities an objective or a target may name, then the fields an
    // objective may name when they are searched.
    for (const QuantityDescription& quantity : kQuantities)
        quantity_->addItem(toQString(quantity.name));
    for (const FieldDescription& field : modelFields(model_))
        if (field.converted() && field.field != fieldN && field.name != "t")
            quantity_->addItem(toQString(field.name));
    target_ = new QLineEdit;
    target_->setObjectName(QStringLiteral("DesignTarget"));
    reactor_ = new QSpinBox;
    reactor_->setObjectName(QStringLiteral("DesignReactor"));
    reactor_->setRange(0, 100'000);
    reactor_->setSpecialValueText(QStringLiteral("последний"));
    meetCriterion_ = new QCheckBox(QStringLiteral("выход выполняет критерий оптимальности"));
    meetCriterion_->setObjectName(QStringLiteral("DesignMeetCriterion"));
    bounds_ = new QPlainTextEdit;
    bounds_->setObjectName(QStringLiteral("DesignBounds"));
    bounds_->setPlaceholderText(QStringLiteral("y1<=0.02 — на выходе\nall:GB>=0 — в каждом реакторе"));
    bounds_->setTabChangesFocus(true);
    bounds_->setMaximumHeight(bounds_->fontMetrics().lineSpacing() * 5);
    bounds_->setToolTip(kBoundsNote);
    connect(bounds_, &QPlainTextEdit::textChanged, this, [this] { guarded([this] { markBounds(); }); });
    digits_ = new QSpinBox;
    digits_->setObjectName(QStringLiteral("DesignDigits"));
    digits_->setRange(1, 9);
    digits_->setValue(4);
    maxEvaluations_ = new QSpinBox;
    maxEvaluations_->setObjectName(QStringLiteral("DesignMaxEvaluations"));
    maxEvaluations_->setRange(1, 100'000'000);
    maxEvaluations_->setValue(2000);
    form->addRow(QStringLiteral("Цель"), goal_);
    form->addRow(QStringLiteral("Величина"), quantity_);
    form->addRow(QStringLiteral("Заданное значение"), target_);
    form->addRow(QStringLiteral("в реакторе"), reactor_);
    form->addRow(meetCriterion_);
    form->addRow(QStringLiteral("Границы"), bounds_);
    form->addRow(QStringLiteral("Значащих цифр в ответе"), digits_);
    form->addRow(QStringLiteral("Расчётов модели не более"), maxEvaluations_);
    connect(goal_, &QComboBox::currentIndexChanged, this, [this] { guarded([this] { updateControls(); }); });
    return box;
}

QWidget* DesignDialog::buildButtons()
{
    calculate_ = new QPushButton(QStringLiteral("Рассчитать"));
    calculate_->setObjectName(QStringLiteral("DesignCalculate"));
    stop_ = new QPushButton(QStringLiteral("Остановить"));
    stop_->setObjectName(QStringLiteral("DesignStop"));
    fill_ = new QPushButton(QStringLiteral("Подставить в поля"));
    fill_->setObjectName(QStringLiteral("DesignFill"));
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("DesignProgress"));
    onClick(calculate_, this, &DesignDialog::calculate);
    onClick(stop_, this, &DesignDialog::stop);
    onClick(fill_, this, &DesignDialog::fillFields);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(calculate_);
    layout->addWidget(stop_);
    layout->addWidget(progress_, 1);
    layout->addWidget(fill_);
    return row;
}

void DesignDialog::takeFieldTexts(const FieldTexts& texts)
{
    for (const FieldDescription& field : modelFields(model_))
        if (!searched_[field.field]->isChecked())
            from_[field.field]->setText(toQString(texts[field.field]));
}

FieldTexts DesignDialog::studyTexts() const
{
    const auto dotted = [this](const QLineEdit* edit) {
        return formats::numberWithSeparator(edit->text().trimmed().toStdString(), separator_, '.');
    };
    FieldTexts texts;
    for (const FieldDescription& field : modelFields(model_)) {
        texts[field.field] = dotted(from_[field.field]);
        if (searched_[field.field]->isChecked())
            texts[field.field] += ':' + dotted(to_[field.field]);
    }
    return texts;
}

std::vector<study::ToleratedField> DesignDialog::tolerances(const study::DesignSpace& space) const
{
    std::vector<study::ToleratedField> tolerated;
    for (const FieldDescription& field : modelFields(model_)) {
        const QString text = tolerance_[field.field]->text().trimmed();
        if (text.isEmpty())
            continue;
        try {
            tolerated.push_back(study::toleratedField(
                space, {std::string(field.name), study::parseTolerance(field.name, text.toStdString(), separator_)}));
        } catch (const study::StudyError&) {
            throw std::runtime_error(
                QStringLiteral("«%1»: допуск «%2» не понят: пишите ±D или ±P%, например %3 или ±5%, "
                               "не меньше одного шага значений поля.")
                    .arg(toQString(field.caption), text,
                         QStringLiteral("±0") + toQString(separator_.text()) + QStringLiteral("5"))
                    .toStdString());
        }
    }
    return tolerated;
}

std::vector<study::QuantityBound> DesignDialog::quantityBounds() const
{
    std::vector<study::QuantityBound> bounds;
    const QStringList lines = bounds_->toPlainText().split('\n');
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QString line = lines[l].trimmed();
        if (line.isEmpty())
            continue;
        try {
            bounds.push_back(study::parseQuantityBound(
                QString(line).replace(toQString(separator_.text()), QStringLiteral(".")).toStdString()));
        } catch (const study::StudyError&) {
            throw std::runtime_error(
                QStringLiteral("Граница «%1» в строке %2 не понята: пишите величину, знак >=, >, <= или < и число, "
                               "например %3; с приставкой all: — в каждом реакторе. Величины: %4.")
                    .arg(line)
                    .arg(l + 1)
                    .arg(QStringLiteral("y1<=0") + toQString(separator_.text()) + QStringLiteral("02"),
                         toQString(quantityNamesText(", ")))
                    .toStdString());
        }
    }
    return bounds;
}

void DesignDialog::markBounds()
{
    QString problem;
    try {
        static_cast<void>(quantityBounds());
    } catch (const std::runtime_error& error) {
        problem = QString::fromStdString(error.what());
    }
    bounds_->setStyleSheet(problem.isEmpty() ? QString() : QStringLiteral("QPlainTextEdit { background: #f8c8c8; }"));
    bounds_->setToolTip(problem.isEmpty() ? kBoundsNote : problem);
}

// A field's text in one of its cells as the field reads it, or the window's
// word on why it cannot be read, naming the field by its caption.
long double DesignDialog::fieldNumber(const FieldDescription& field, const QLineEdit& cell, const QString& end) const
{
    const QString text = cell.text().trimmed();
    const QString caption = toQString(field.caption);
    try {
        if (field.field != fieldN)
            return storedFieldValue(field.storage, text.toStdString(), separator_);
        const long double count = TextToNumber(text.toStdString(), separator_);
        if (!(count >= 1 && count <= study::kMostReactorsSearched))
            throw std::runtime_error(QStringLiteral("«%1»: %2число реакторов — от 1 до %3, а не «%4».")
                                         .arg(caption, end)
                                         .arg(study::kMostReactorsSearched)
                                         .arg(text)
                                         .toStdString());
        return count;
    } catch (const EConvertError&) {
        throw std::runtime_error(QStringLiteral("«%1»: %2«%3» — не число.").arg(caption, end, text).toStdString());
    } catch (const Exception&) {
        throw std::runtime_error(QStringLiteral("«%1»: %2«%3» — за пределами значений, которые хранит поле.")
                                     .arg(caption, end, text)
                                     .toStdString());
    }
}

// The window's own checks, before the study library's, in its words: every
// field's value, or the ends of its interval, and what the goal needs.
void DesignDialog::checkFields() const
{
    const bool solving = goal_->currentIndex() == targetValue;
    std::vector<const FieldDescription*> searched;
    for (const FieldDescription& field : modelFields(model_)) {
        if (!field.converted())
            continue;
        const bool interval = searched_[field.field]->isChecked();
        const long double from =
            fieldNumber(field, *from_[field.field], interval ? QStringLiteral("«от»: ") : QString());
        if (!interval)
            continue;
        searched.push_back(&field);
        const long double to = fieldNumber(field, *to_[field.field], QStringLiteral("«до»: "));
        if (field.field == fieldN ? !(from <= to) : !(from < to))
            throw std::runtime_error(QStringLiteral("«%1»: начало интервала «от» должно быть %2 его конца «до».")
                                         .arg(toQString(field.caption), field.field == fieldN
                                                                            ? QStringLiteral("не больше")
                                                                            : QStringLiteral("меньше"))
                                         .toStdString());
    }
    if (solving)
        checkSolverFields(searched);
    else if (goal_->currentIndex() != largestMargin && !quantityNamed(quantity_->currentText().toStdString()) &&
             std::none_of(searched.begin(), searched.end(), [&](const FieldDescription* field) {
                 return toQString(field->name) == quantity_->currentText();
             }))
        throw std::runtime_error(QStringLiteral("«%1» — поле, а не величина: отметьте у него «Искать», чтобы искать "
                                                "его наибольшее или наименьшее значение.")
                                     .arg(quantity_->currentText())
                                     .toStdString());
}

void DesignDialog::checkSolverFields(const std::vector<const FieldDescription*>& searched) const
{
    if (searched.size() != 1)
        throw std::runtime_error("Заданное значение ищется по одному полю: отметьте «Искать» ровно у одного поля.");
    if (searched.front()->field == fieldN)
        throw std::runtime_error(QStringLiteral("«%1»: при поиске заданного значения число реакторов одно; "
                                                "ищите по другому полю.")
                                     .arg(toQString(searched.front()->caption))
                                     .toStdString());
    try {
        static_cast<void>(TextToNumber(target_->text().trimmed().toStdString(), separator_));
    } catch (const EConvertError&) {
        throw std::runtime_error(
            QStringLiteral("Заданное значение «%1» — не число.").arg(target_->text().trimmed()).toStdString());
    }
}

void DesignDialog::calculate()
{
    if (running())
        return;
    checkFields();
    if (goal_->currentIndex() == targetValue)
        startSolver();
    else
        startOptimizer();
}

void DesignDialog::startOptimizer()
{
    study::DesignSpace space(model_, studyTexts(), kFieldCount);
    const std::string name = goal_->currentIndex() == largestMargin ? "margin" : quantity_->currentText().toStdString();
    study::Objective objective = study::Objective::parse(
        goal_->currentIndex() == smallestValue ? study::Objective::Kind::minimize : study::Objective::Kind::maximize,
        name, space);
    std::vector<study::QuantityBound> bounds = quantityBounds();
    std::vector<study::ToleratedField> tolerated = tolerances(space);
    auto problem = std::make_shared<const study::DesignProblem>(
        study::DesignProblem{std::move(space), std::move(objective), meetCriterion_->isChecked(), std::move(bounds),
                             std::move(tolerated), std::nullopt});
    study::OptimizeSettings settings;
    settings.digits = digits_->value();
    settings.maxEvaluations = std::size_t(maxEvaluations_->value());
    if (settings.maxEvaluations < study::leastEvaluations(*problem))
        throw std::runtime_error("Для этого подбора нужно не меньше " +
                                 std::to_string(study::leastEvaluations(*problem)) + " расчётов модели.");
    settings.jobs = std::max(1u, std::thread::hardware_concurrency());
    settings.progress = [this](std::size_t done) { done_ = done; };
    progress_->setRange(0, maxEvaluations_->value());
    runOffThread([problem, settings](std::stop_token stop) mutable {
        settings.stop = std::move(stop);
        DesignOutcome outcome;
        outcome.problem = problem;
        outcome.optimized = study::optimize(*problem, settings);
        return outcome;
    });
}

void DesignDialog::startSolver()
{
    FieldTexts texts = studyTexts();
    auto space = std::make_shared<const study::DesignSpace>(model_, texts, 1);
    auto target = std::make_shared<const study::Target>(
        study::Target::parse(quantity_->currentText().toStdString() + '=' +
                             formats::numberWithSeparator(target_->text().trimmed().toStdString(), separator_, '.')));
    study::SolveSettings settings;
    if (reactor_->value() > 0)
        settings.reactor = reactor_->value();
    settings.progress = [this](std::size_t done) { done_ = done; };
    progress_->setRange(0, int(settings.scanIntervals) + 1);
    runOffThread([space, target, settings](std::stop_token stop) mutable {
        settings.stop = std::move(stop);
        DesignOutcome outcome;
        outcome.target = target;
        outcome.solvedField = toQString(space->intervals().front().name);
        outcome.solved = study::solve(*space, *target, settings);
        return outcome;
    });
}

// The search runs on a thread of its own, stopped by that thread's stop;
// its outcome, or its error, comes back to this window through the event loop.
void DesignDialog::runOffThread(std::function<DesignOutcome(std::stop_token stop)> search)
{
    done_ = 0;
    results_->show({}, {}, std::nullopt, -1, 0);
    status_->setText(QStringLiteral("Идёт подбор…"));
    showRunning(true);
    worker_ = std::jthread([this, search = std::move(search)](std::stop_token stop) {
        DesignOutcome outcome;
        try {
            outcome = search(std::move(stop));
        } catch (...) {
            outcome.error = std::current_exception();
        }
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)]() mutable { guarded([&] { finished(std::move(outcome)); }); },
            Qt::QueuedConnection);
    });
}

void DesignDialog::finished(DesignOutcome outcome)
{
    worker_.join();
    showRunning(false);
    if (outcome.error) {
        status_->clear();
        std::rethrow_exception(outcome.error);
    }
    AnswersShown shown = outcome.optimized
                             ? optimizerAnswers(*outcome.problem, *outcome.optimized, separator_)
                             : solverAnswers(*outcome.target, outcome.solvedField, *outcome.solved, separator_);
    const int best = std::max(shown.best, 0);
    results_->show(std::move(shown.headers), std::move(shown.rows), shown.highlighted, shown.best, shown.textColumns);
    status_->setText(shown.status);
    // The best answer comes selected, ready for "Подставить в поля".
    if (results_->rowCount() > 0) {
        answers_->selectRow(best);
        answers_->setFocus(Qt::OtherFocusReason);
    }
    updateControls();
}

void DesignDialog::stop() { worker_.request_stop(); }

void DesignDialog::closeEvent(QCloseEvent* event)
{
    worker_.request_stop();
    QWidget::closeEvent(event);
}

void DesignDialog::showRunning(bool running)
{
    calculate_->setEnabled(!running);
    stop_->setEnabled(running);
    progress_->setVisible(running);
    if (running)
        progressTimer_->start();
    else
        progressTimer_->stop();
    updateControls();
}

void DesignDialog::updateProgress() { progress_->setValue(int(std::min<std::size_t>(done_, progress_->maximum()))); }

void DesignDialog::updateControls()
{
    target_->setEnabled(goal_->currentIndex() == targetValue);
    reactor_->setEnabled(goal_->currentIndex() == targetValue);
    quantity_->setEnabled(goal_->currentIndex() != largestMargin);
    // The solver seeks a value of one field: the optimiser's constraints,
    // digits and budget are not its.
    const bool optimizing = goal_->currentIndex() != targetValue;
    for (QWidget* optimizerOnly : std::initializer_list<QWidget*>{meetCriterion_, bounds_, digits_, maxEvaluations_})
        optimizerOnly->setEnabled(optimizing);
    // The solver seeks a value of the plain run: tolerances are the optimiser's.
    for (const FieldDescription& field : modelFields(model_))
        tolerance_[field.field]->setEnabled(field.converted() && field.field != fieldN &&
                                            goal_->currentIndex() != targetValue);
    fill_->setEnabled(!running() && answers_->selectionModel()->hasSelection());
}

void DesignDialog::fillFields()
{
    const QModelIndexList rows = answers_->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    putIntoFields_(results_->row(rows.front().row()).texts);
}

} // namespace kaskad::ui
