// The window "Допуски и надёжность".
#include "ui/uncertainty_window.h"

#include "chart/cascade_profile.h"
#include "formats/file_problem.h"
#include "study/sensitivity.h"
#include "study/study_error.h"
#include "ui/error_report.h"
#include "ui/model_form.h"
#include "ui/qt_text.h"
#include "ui/tolerance_cells.h"
#include "ui/uncertainty_run.h"
#include "ui/user_files.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGraphicsView>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <limits>
#include <sstream>
#include <thread>

namespace kaskad::ui {

// A chart of the findings, drawn again at the view's size whenever it changes.
class FindingsView : public QGraphicsView {
public:
    using Maker = std::function<std::unique_ptr<QGraphicsScene>(QSize size)>;

    explicit FindingsView(Maker make) : make_(std::move(make))
    {
        setRenderHint(QPainter::Antialiasing);
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    void redraw()
    {
        std::unique_ptr<QGraphicsScene> scene = make_(viewport()->size().expandedTo({320, 240}));
        setScene(scene.get());
        if (scene)
            setSceneRect(scene->sceneRect());
        scene_ = std::move(scene);
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QGraphicsView::resizeEvent(event);
        guarded([this] { redraw(); });
    }

private:
    Maker make_;
    std::unique_ptr<QGraphicsScene> scene_;
};

namespace {

using formats::FileProblem;

constexpr int kPollMilliseconds = 100;
const char* const kWrongCellStyle = "QLineEdit { background: #f8c8c8; }";

const std::array<SavedFileType<const ReliabilityFindings, std::string>, 2> kResultFiles = {{
    {{QStringLiteral("CSV — расчёты выборки (*.csv)"), QStringLiteral("csv")},
     [](const ReliabilityFindings& f) { return f.outcome->samplesCsv; }},
    {{QStringLiteral("JSON — итоги (*.json)"), QStringLiteral("json")},
     [](const ReliabilityFindings& f) {
         std::ostringstream out;
         formats::writeUncertaintyResult(out, f.outcome->request, f.outcome->result, formats::OutputFormat::json);
         return out.str();
     }},
}};

// The methods offered, in the list's order.
const std::pair<const char*, study::SamplingMethod> kMethods[] = {
    {"латинский гиперкуб", study::SamplingMethod::lhs},
    {"Монте-Карло", study::SamplingMethod::mc},
    {"последовательность Соболя", study::SamplingMethod::sobol},
};

// A tornado bar per field whose runs at either end of its tolerance gave a margin.
chart::TornadoChart tornadoOf(const study::SensitivityResult& result, const QString& caption,
                              DecimalSeparator separator)
{
    if (!result.margin)
        throw std::runtime_error("Расчёт в точке окна не дал запаса по критерию: диаграмму строить не по чему.");
    chart::TornadoChart tornado{{}, *result.margin, caption};
    for (const study::FieldSensitivity& field : result.fields) {
        if (!field.marginBelow || !field.marginAbove)
            continue;
        const QString tolerance = field.tolerance ? toQString(field.tolerance->text()) : QStringLiteral("(±1%)");
        tornado.bars.push_back(
            {toQString(field.field.name) + ' ' + QString(tolerance).replace('.', toQString(separator.text())),
             *field.marginBelow, *field.marginAbove});
    }
    if (tornado.bars.empty())
        throw std::runtime_error("Ни одно поле не дало запаса на обоих концах допуска.");
    return tornado;
}

// The margin's indices, when the study estimated them.
std::vector<chart::SobolIndices> marginIndices(const study::UncertaintyResult& result)
{
    std::vector<chart::SobolIndices> indices;
    if (!result.indices || result.indices->outputs.empty() || !result.indices->outputs.front().inputs)
        return indices;
    for (const study::InputIndices& input : *result.indices->outputs.front().inputs)
        indices.push_back({toQString(input.input), input.first.value, input.total.value});
    return indices;
}

} // namespace

UncertaintyWindow::UncertaintyWindow(ModelForm& form) : form_(form), modelKind_(form.modelKind())
{
    setObjectName(QStringLiteral("UncertaintyWindow"));
    setWindowTitle(QStringLiteral("Допуски и надёжность — ") + form.windowTitle());
    summary_.setDecimalSeparator(form.decimalSeparator());
    findings_.model = modelKind_;

    probability_ = new QLabel;
    probability_->setObjectName(QStringLiteral("UncertaintyProbability"));
    probability_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = probability_->font();
    bold.setBold(true);
    probability_->setFont(bold);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeFieldsGrid());
    layout->addLayout(makeSettingsRow());
    layout->addLayout(makeRunRow());
    layout->addWidget(probability_);
    layout->addWidget(makeTabs(), 1);
    addShortcuts();

    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, [this] { guarded([this] { poll(); }); });
    resize(1100, 860);
    takeFieldTexts();
    updateButtons();
    for (QLineEdit* cell : cells_)
        if (cell->isEnabled()) {
            cell->setFocus();
            break;
        }
}

UncertaintyWindow::~UncertaintyWindow() = default;

QGraphicsView* UncertaintyWindow::chartView(Tab tab) const { return views_[std::size_t(tab)]; }

QWidget* UncertaintyWindow::makeFieldsGrid()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    const QString headings[] = {QStringLiteral("Поле"), QStringLiteral("Текст в окне"),
                                QStringLiteral("Допуск (±D, ±P%) или распределение (normal(M;S), uniform(A;B), "
                                               "triangular(A;M;B))")};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(headings[c])), 0, c);
    int row = 1;
    for (const FieldDescription& field : modelFields(modelKind_)) {
        grid->addWidget(new QLabel(toQString(field.caption)), row, 0);
        texts_[field.field] = new QLabel;
        texts_[field.field]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        connect(form_.field(int(field.field)), &QLineEdit::textChanged, texts_[field.field], &QLabel::setText);
        grid->addWidget(texts_[field.field], row, 1);
        auto* cell = new QLineEdit;
        cell->setObjectName(QStringLiteral("Tolerance_") + toQString(field.name));
        // The number of reactors is whole: it has no tolerance.
        cell->setEnabled(field.converted() && field.field != fieldN);
        connect(cell, &QLineEdit::textChanged, this, [this, &field] { guarded([&] { checkCell(field); }); });
        cells_[field.field] = cell;
        grid->addWidget(cell, row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    return box;
}

QLayout* UncertaintyWindow::makeSettingsRow()
{
    samples_ = new QSpinBox;
    samples_->setObjectName(QStringLiteral("UncertaintySamples"));
    samples_->setRange(1, 100'000'000);
    samples_->setValue(1000);
    seed_ = new QSpinBox;
    seed_->setObjectName(QStringLiteral("UncertaintySeed"));
    seed_->setRange(0, std::numeric_limits<int>::max());
    seed_->setValue(1);
    method_ = new QComboBox;
    method_->setObjectName(QStringLiteral("UncertaintyMethod"));
    for (const auto& [caption, method] : kMethods)
        method_->addItem(toQString(caption), int(method));
    indices_ = new QCheckBox(QStringLiteral("индексы Соболя"));
    indices_->setObjectName(QStringLiteral("UncertaintyIndices"));
    indices_->setToolTip(QStringLiteral("Ещё выборка × (полей + 2) расчётов"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Расчётов в выборке:")));
    row->addWidget(samples_);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Зерно:")));
    row->addWidget(seed_);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Метод:")));
    row->addWidget(method_);
    row->addSpacing(12);
    row->addWidget(indices_);
    row->addStretch(1);
    return row;
}

QLayout* UncertaintyWindow::makeRunRow()
{
    const auto button = [this](const QString& text, const char* name, void (UncertaintyWindow::*handler)()) {
        auto* made = new QPushButton(text);
        made->setObjectName(toQString(name));
        onClick(made, this, handler);
        return made;
    };
    sensitivity_ =
        button(QStringLiteral("Чувствительность"), "UncertaintySensitivity", &UncertaintyWindow::computeSensitivity);
    run_ = button(QStringLiteral("Рассчитать"), "UncertaintyRun", &UncertaintyWindow::startStudy);
    run_->setToolTip(QStringLiteral("F9"));
    stop_ = button(QStringLiteral("Остановить"), "UncertaintyStop", &UncertaintyWindow::stopStudy);
    stop_->setToolTip(QStringLiteral("Shift+F9"));
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("UncertaintyProgress"));
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("UncertaintyStatus"));
    auto* save = button(QStringLiteral("Сохранить результаты…"), "UncertaintySave", &UncertaintyWindow::saveResults);
    save->setToolTip(QStringLiteral("Ctrl+S"));
    auto* report = button(QStringLiteral("Отчёт…"), "UncertaintyReport", &UncertaintyWindow::saveReport);
    report->setToolTip(QStringLiteral("Ctrl+P"));
    auto* row = new QHBoxLayout;
    row->addWidget(sensitivity_);
    row->addWidget(run_);
    row->addWidget(stop_);
    row->addWidget(progress_, 1);
    row->addWidget(status_);
    row->addWidget(save);
    row->addWidget(report);
    return row;
}

QWidget* UncertaintyWindow::makeTabs()
{
    tabs_ = new QTabWidget;
    tabs_->setObjectName(QStringLiteral("UncertaintyTabs"));
    const std::pair<ReliabilityChart, QString> charts[] = {
        {ReliabilityChart::tornado, QStringLiteral("Чувствительность")},
        {ReliabilityChart::histogram, QStringLiteral("Гистограмма запаса")},
        {ReliabilityChart::sobol, QStringLiteral("Индексы Соболя")},
    };
    for (const auto& [shown, caption] : charts) {
        const ReliabilityChart which = shown;
        auto* view = new FindingsView(
            [this, which](QSize size) { return findingsScene(findings_, which, size, form_.decimalSeparator()); });
        view->setObjectName(QStringLiteral("UncertaintyChart%1").arg(int(which)));
        views_[std::size_t(which)] = view;
        tabs_->addTab(view, caption);
    }
    quantiles_ = new QTableView;
    quantiles_->setObjectName(QStringLiteral("UncertaintyQuantiles"));
    quantiles_->setModel(&summary_);
    quantiles_->horizontalHeader()->setDefaultSectionSize(
        quantiles_->fontMetrics().horizontalAdvance(QStringLiteral("-8.88888888888888E-88")) + 16);
    tabs_->addTab(quantiles_, QStringLiteral("Квантили"));
    return tabs_;
}

void UncertaintyWindow::addShortcuts()
{
    const auto add = [this](const QString& text, const QKeySequence& keys, std::function<void()> handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { guarded(handler); });
        addAction(action);
    };
    add(QStringLiteral("Рассчитать"), QKeySequence(Qt::Key_F9), [this] { startStudy(); });
    add(QStringLiteral("Остановить"), QKeySequence(Qt::SHIFT | Qt::Key_F9), [this] { stopStudy(); });
    add(QStringLiteral("Сохранить результаты…"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveResults(); });
    add(QStringLiteral("Отчёт…"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { saveReport(); });
    add(QStringLiteral("Печать…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), [this] { printReport(); });
    add(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape), [this] { close(); });
}

void UncertaintyWindow::takeFieldTexts()
{
    for (int n = 1; n <= kFieldCount; ++n)
        texts_[Field(n)]->setText(toQString(form_.fieldText(n)));
}

void UncertaintyWindow::checkCell(const FieldDescription& field)
{
    QLineEdit* cell = cells_[field.field];
    QString problem;
    try {
        static_cast<void>(readToleranceCell(field.name, cell->text().toStdString(), form_.decimalSeparator()));
    } catch (const study::StudyError& error) {
        problem = toQString(error.message());
    }
    cell->setStyleSheet(problem.isEmpty() ? QString() : toQString(kWrongCellStyle));
    cell->setToolTip(problem);
}

void UncertaintyWindow::takeTexts()
{
    takeFieldTexts();
    FieldTexts fields;
    FieldTexts cells;
    for (int n = 1; n <= kFieldCount; ++n) {
        fields[Field(n)] = form_.fieldText(n);
        cells[Field(n)] = cells_[Field(n)]->text().toStdString();
    }
    if (fields == findings_.fields && cells == findings_.cells)
        return;
    findings_ = ReliabilityFindings{modelKind_, fields, cells, std::nullopt, std::nullopt, {}};
    summary_.show(nullptr);
    showFindings();
}

void UncertaintyWindow::computeSensitivity()
{
    if (study_)
        return;
    takeTexts();
    const DecimalSeparator separator = form_.decimalSeparator();
    const auto tolerances = sensitivityTolerances({modelKind_, findings_.fields, findings_.cells, separator});
    const study::FieldPoint point(modelKind_, findings_.fields, separator);
    findings_.tornado = tornadoOf(study::sensitivity(point, tolerances),
                                  toQString(chart::profileCaption(modelKind_, findings_.fields)), separator);
    showFindings();
    tabs_->setCurrentIndex(tornadoTab);
}

void UncertaintyWindow::startStudy()
{
    if (study_)
        return;
    takeTexts();
    const DecimalSeparator separator = form_.decimalSeparator();
    auto space = std::make_shared<const study::UncertainSpace>(
        modelKind_, uncertainTexts({modelKind_, findings_.fields, findings_.cells, separator}), separator);
    study::UncertaintySettings settings;
    settings.samples = std::size_t(samples_->value());
    settings.seed = std::uint64_t(seed_->value());
    settings.method = study::SamplingMethod(method_->currentData().toInt());
    settings.jobs = std::max(1u, std::thread::hardware_concurrency());
    settings.indices = indices_->isChecked();
    if (space->uncertain().empty())
        throw study::StudyError("Ни у одного поля нет допуска или распределения: задайте хотя бы один.");
    findings_.outcome.reset();
    findings_.sobol.clear();
    summary_.show(nullptr);
    status_->setText(QStringLiteral("Идёт расчёт…"));
    study_ = std::make_unique<UncertaintyRun>(std::move(space), std::move(settings));
    progress_->setRange(0, int(std::min<std::size_t>(study_->total(), 1'000'000'000)));
    progress_->setValue(0);
    showFindings();
    poll_.start();
    updateButtons();
}

void UncertaintyWindow::stopStudy()
{
    if (study_)
        study_->stop();
}

void UncertaintyWindow::poll()
{
    if (!study_)
        return;
    const bool finished = study_->finished();
    progress_->setValue(int(std::min<std::size_t>(study_->done(), 1'000'000'000)));
    if (finished)
        finishStudy();
}

void UncertaintyWindow::finishStudy()
{
    poll_.stop();
    const std::unique_ptr<UncertaintyRun> study = std::move(study_);
    updateButtons();
    status_->clear();
    UncertaintyOutcome outcome = study->outcome();
    progress_->setValue(progress_->maximum());
    status_->setText(outcome.result.stopped ? QStringLiteral("Остановлено") : QString());
    findings_.sobol = marginIndices(outcome.result);
    findings_.outcome = std::move(outcome);
    summary_.show(&findings_.outcome->result);
    showFindings();
    tabs_->setCurrentIndex(histogramTab);
}

void UncertaintyWindow::showFindings()
{
    probability_->setText(findings_.outcome ? probabilityText(*findings_.outcome, form_.decimalSeparator())
                                            : QString());
    for (FindingsView* view : views_)
        view->redraw();
}

void UncertaintyWindow::updateButtons()
{
    sensitivity_->setEnabled(!study_);
    run_->setEnabled(!study_);
    stop_->setEnabled(bool(study_));
}

void UncertaintyWindow::saveResults()
{
    if (!findings_.outcome)
        throw std::runtime_error("Надёжность ещё не рассчитана: сохранять нечего.");
    const std::optional<ChosenFile> chosen =
        chooseFile(this, {true, QStringLiteral("Сохранить результаты расчёта надёжности"), fileTypesOf(kResultFiles),
                          QStringLiteral("надёжность")});
    if (!chosen)
        return;
    writeWholeFile(chosen->path, QByteArray::fromStdString(kResultFiles[chosen->type].bytesOf(findings_)));
}

UncertaintyReport UncertaintyWindow::report() const
{
    if (!findings_.any())
        throw std::runtime_error("Отчёт составляется по рассчитанной чувствительности или надёжности: "
                                 "ни то, ни другое ещё не рассчитано.");
    return {findings_, summary_, form_.decimalSeparator(), QDateTime::currentDateTime()};
}

void UncertaintyWindow::saveReport() { saveUncertaintyReport(this, report()); }

void UncertaintyWindow::printReport() { printUncertaintyReport(this, report()); }

// Closing stops the study and waits for its thread; its figures so far stay.
void UncertaintyWindow::closeEvent(QCloseEvent* event)
{
    guarded([this] {
        if (study_) {
            study_->stop();
            finishStudy();
        }
    });
    QWidget::closeEvent(event);
}

} // namespace kaskad::ui
