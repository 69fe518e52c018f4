// The study window.
#include "ui/study_window.h"

#include "formats/file_problem.h"
#include "formats/study_definition.h"
#include "formats/whole_file.h"
#include "study/runner.h"
#include "study/field_values.h"
#include "study/study_error.h"
#include "chart/profile_scene.h"
#include "ui/chart_window.h"
#include "ui/error_report.h"
#include "ui/model_form.h"
#include "ui/qt_text.h"
#include "ui/study_chart.h"
#include "ui/study_report.h"
#include "ui/study_run.h"
#include "ui/table_copy.h"
#include "ui/user_files.h"
#include "ui/window_frame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <cmath>
#include <set>
#include <thread>

namespace kaskad::ui {

using formats::FileProblem;

namespace {

// How often the window takes the delivered points and shows the progress.
constexpr int kPollMilliseconds = 100;

const std::vector<FileType> kStudyTypes = {
    {QStringLiteral("Исследование Kaskad (*.kaskad-study.json)"), QStringLiteral("kaskad-study.json")},
    {QStringLiteral("JSON (*.json)"), QStringLiteral("json")},
};
const std::array<SavedFileType<const StudyTableModel, std::string>, 2> kResultFiles = {{
    {{QStringLiteral("CSV (*.csv)"), QStringLiteral("csv")}, [](const StudyTableModel& m) { return m.csvText(); }},
    {{QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("xlsx")},
     [](const StudyTableModel& m) { return m.xlsxWorkbook(); }},
}};

const char* const kWrongCellStyle = "QLineEdit { background: #f8c8c8; }";

// "1 ч 05 мин", "3 мин 20 с", "12 с".
QString durationText(double seconds)
{
    const long long whole = std::llround(seconds);
    if (whole >= 3600)
        return QStringLiteral("%1 ч %2 мин").arg(whole / 3600).arg(whole % 3600 / 60, 2, 10, QLatin1Char('0'));
    if (whole >= 60)
        return QStringLiteral("%1 мин %2 с").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 с").arg(whole);
}

} // namespace

StudyWindow::StudyWindow(ModelForm& form) : form_(form), modelKind_(form.modelKind())
{
    setObjectName(QStringLiteral("StudyWindow"));
    setWindowTitle(QStringLiteral("Исследование параметров — ") + form.windowTitle());
    model_.setDecimalSeparator(form.decimalSeparator());

    view_ = new CopyingTableView([this] { copyCells(formats::WithHeader::no); });
    view_->setObjectName(QStringLiteral("StudyView"));
    view_->setModel(&model_);
    view_->setSortingEnabled(true);
    view_->horizontalHeader()->setSortIndicatorShown(true);
    view_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setWordWrap(false);
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setDefaultSectionSize(
        view_->fontMetrics().horizontalAdvance(QStringLiteral("-8.88888888888888E-88")) + 12);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeFieldsGrid());
    layout->addLayout(makeRunRow());
    layout->addLayout(makeResultsRow());
    layout->addWidget(view_, 1);
    addShortcuts();

    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, [this] { guarded([this] { poll(); }); });
    model_.setSortObserver([this] { sortChanged(); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        guarded([this] {
            updateButtons();
            if (chart_ && chart_->isVisible())
                chart_->followReference();
        });
    });
    // "Текст в окне" follows the model window's fields as they are typed.
    for (int n = 1; n <= kFieldCount; ++n)
        connect(form_.field(n), &QLineEdit::textChanged, texts_[Field(n)], &QLabel::setText);
    resize(1180, 760);
    takeFieldTexts();
    updateButtons();
    values_[fieldN]->setFocus();
}

StudyWindow::~StudyWindow() = default;

QWidget* StudyWindow::makeFieldsGrid()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    const QString headings[] = {QStringLiteral("Поле"), QStringLiteral("Текст в окне"),
                                QStringLiteral("Значения (ОТ:ДО:ШАГ или А;Б;В)")};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(headings[c])), 0, c);
    int row = 1;
    for (const FieldDescription& field : modelFields(modelKind_)) {
        grid->addWidget(new QLabel(toQString(field.caption)), row, 0);
        texts_[field.field] = new QLabel;
        texts_[field.field]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(texts_[field.field], row, 1);
        auto* values = new QLineEdit;
        values->setObjectName(QStringLiteral("StudyValues_") + toQString(field.name));
        connect(values, &QLineEdit::textChanged, this, [this] { guarded([this] { updatePointCount(); }); });
        values_[field.field] = values;
        grid->addWidget(values, row, 2);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    pointCount_ = new QLabel;
    pointCount_->setObjectName(QStringLiteral("StudyPointCount"));
    grid->addWidget(pointCount_, row, 0);
    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("StudyStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    grid->addWidget(status_, row, 1, 1, 2);
    return box;
}

QLayout* StudyWindow::makeRunRow()
{
    const auto button = [this](const QString& text, const char* name, void (StudyWindow::*handler)()) {
        auto* made = new QPushButton(text);
        made->setObjectName(toQString(name));
        onClick(made, this, handler);
        return made;
    };
    run_ = button(QStringLiteral("Рассчитать"), "StudyRun", &StudyWindow::startStudy);
    run_->setToolTip(QStringLiteral("F9"));
    stop_ = button(QStringLiteral("Остановить"), "StudyStop", &StudyWindow::stopStudy);
    stop_->setToolTip(QStringLiteral("Shift+F9"));
    progress_ = new QProgressBar;
    progress_->setObjectName(QStringLiteral("StudyProgress"));
    speed_ = new QLabel;
    speed_->setObjectName(QStringLiteral("StudySpeed"));
    speed_->setMinimumWidth(
        speed_->fontMetrics().horizontalAdvance(QStringLiteral("99999 точек/с, осталось 99 мин 99 с")));
    auto* row = new QHBoxLayout;
    row->addWidget(run_);
    row->addWidget(stop_);
    row->addWidget(progress_, 1);
    row->addWidget(speed_);
    row->addWidget(button(QStringLiteral("Открыть…"), "StudyOpen", &StudyWindow::openStudy));
    row->addWidget(button(QStringLiteral("Сохранить…"), "StudySave", &StudyWindow::saveStudy));
    return row;
}

QLayout* StudyWindow::makeResultsRow()
{
    everyReactor_ = new QCheckBox(QStringLiteral("все реакторы каждой точки"));
    everyReactor_->setObjectName(QStringLiteral("StudyEveryReactor"));
    connect(everyReactor_, &QCheckBox::toggled, this,
            [this](bool on) { guarded([&] { model_.showEveryReactor(on); }); });
    onlyMeeting_ = new QCheckBox(QStringLiteral("только точки, удовлетворяющие критерию"));
    onlyMeeting_->setObjectName(QStringLiteral("StudyOnlyMeeting"));
    connect(onlyMeeting_, &QCheckBox::toggled, this, [this](bool on) {
        guarded([&] {
            model_.showOnlyMeeting(on);
            showMeetingCount();
        });
    });
    putIntoFields_ = new QPushButton(QStringLiteral("Подставить в поля"));
    putIntoFields_->setObjectName(QStringLiteral("StudyPutIntoFields"));
    onClick(putIntoFields_, this, &StudyWindow::putIntoFields);
    auto* chart = new QPushButton(QStringLiteral("График…"));
    chart->setObjectName(QStringLiteral("StudyChart"));
    onClick(chart, this, &StudyWindow::showChart);
    auto* saveResults = new QPushButton(QStringLiteral("Сохранить результаты…"));
    saveResults->setObjectName(QStringLiteral("StudySaveResults"));
    onClick(saveResults, this, &StudyWindow::saveResults);
    auto* report = new QPushButton(QStringLiteral("Отчёт…"));
    report->setObjectName(QStringLiteral("StudyReport"));
    report->setToolTip(QStringLiteral("Ctrl+P"));
    onClick(report, this, &StudyWindow::saveReport);
    auto* row = new QHBoxLayout;
    row->addWidget(everyReactor_);
    row->addWidget(onlyMeeting_);
    row->addStretch(1);
    row->addWidget(putIntoFields_);
    row->addWidget(chart);
    row->addWidget(saveResults);
    row->addWidget(report);
    return row;
}

void StudyWindow::addShortcuts()
{
    const auto add = [this](const QString& text, const QKeySequence& keys, std::function<void()> handler) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { guarded(handler); });
        addAction(action);
        return action;
    };
    view_->addAction(
        add(QStringLiteral("Подставить в поля"), QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { putIntoFields(); }));
    view_->addAction(
        add(QStringLiteral("Копировать"), QKeySequence::Copy, [this] { copyCells(formats::WithHeader::no); }));
    view_->addAction(add(QStringLiteral("Копировать с заголовками"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
                         [this] { copyCells(formats::WithHeader::yes); }));
    view_->addAction(add(QStringLiteral("Выделить всё"), QKeySequence::SelectAll, [this] { view_->selectAll(); }));
    view_->addAction(
        add(QStringLiteral("Сохранить результаты…"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveResults(); }));
    view_->addAction(
        add(QStringLiteral("График исследования"), QKeySequence(Qt::CTRL | Qt::Key_G), [this] { showChart(); }));
    view_->addAction(add(QStringLiteral("Профиль каскада"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G),
                         [this] { showProfile(); }));
    view_->addAction(add(QStringLiteral("Отчёт…"), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { saveReport(); }));
    view_->addAction(
        add(QStringLiteral("Печать…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), [this] { printReport(); }));
    add(QStringLiteral("Рассчитать"), QKeySequence(Qt::Key_F9), [this] { startStudy(); });
    add(QStringLiteral("Остановить"), QKeySequence(Qt::SHIFT | Qt::Key_F9), [this] { stopStudy(); });
    add(QStringLiteral("Закрыть"), QKeySequence(Qt::Key_Escape), [this] { close(); });
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void StudyWindow::takeFieldTexts()
{
    for (int n = 1; n <= kFieldCount; ++n) {
        const QString text = toQString(form_.fieldText(n));
        texts_[Field(n)]->setText(text);
        if (!defined_)
            values_[Field(n)]->setText(text);
    }
    defined_ = true;
    updatePointCount();
}

FieldTexts StudyWindow::valuesTexts() const
{
    FieldTexts texts;
    for (int n = 1; n <= kFieldCount; ++n)
        texts[Field(n)] = values_[Field(n)]->text().toStdString();
    return texts;
}

void StudyWindow::updatePointCount()
{
    const DecimalSeparator separator = form_.decimalSeparator();
    for (const FieldDescription& field : modelFields(modelKind_)) {
        QLineEdit* cell = values_[field.field];
        QString problem;
        if (field.converted()) {
            try {
                static_cast<void>(study::fieldValueTexts(cell->text().toStdString(), separator));
            } catch (const study::StudyError& error) {
                problem = toQString(error.message());
            }
        }
        cell->setStyleSheet(problem.isEmpty() ? QString() : toQString(kWrongCellStyle));
        cell->setToolTip(problem);
    }
    // The plan names the field of its first wrong cell, and counts the points.
    try {
        const study::SweepPlan plan(modelKind_, valuesTexts(), separator);
        pointCount_->setText(QStringLiteral("Точек: %1").arg(plan.pointCount()));
    } catch (const study::StudyError& error) {
        pointCount_->setText(QStringLiteral("Ошибка: ") + toQString(error.message()));
    }
}

void StudyWindow::startStudy()
{
    if (study_)
        return;
    auto plan = std::make_shared<const study::SweepPlan>(modelKind_, valuesTexts(), form_.decimalSeparator());
    study::checkPointsToRun(*plan, study::allPoints(*plan));
    plan_ = plan;
    studied_ = valuesTexts();
    model_.reset(plan);
    fitColumnWidths();
    studyStatus_.clear();
    showMeetingCount();
    progress_->setRange(0, int(std::min<std::size_t>(plan->pointCount(), 1'000'000'000)));
    progress_->setValue(0);
    speed_->clear();
    status_->clear();
    elapsed_.start();
    // Rows come in the order of the points while the study runs: the sort
    // arrow stands aside until its order is applied at the end.
    view_->horizontalHeader()->setSortIndicatorShown(false);
    study_ = std::make_unique<StudyRun>(plan, std::max(1u, std::thread::hardware_concurrency()));
    if (chart_)
        chart_->studyStarted();
    poll_.start();
    updateButtons();
}

void StudyWindow::stopStudy()
{
    if (model_.sorting())
        model_.stopSorting();
    else if (study_)
        study_->stop();
}

void StudyWindow::sortChanged()
{
    if (model_.sorting()) {
        if (!poll_.isActive())
            poll_.start();
        showSortProgress();
    } else {
        // A sort stopped leaves the rows in the order the arrow showed before.
        QHeaderView* header = view_->horizontalHeader();
        const QSignalBlocker quiet(header);
        const auto sorted = model_.sortedBy();
        header->setSortIndicator(sorted ? sorted->first : -1, sorted ? sorted->second : Qt::AscendingOrder);
        status_->setText(statusBeforeSort_);
        statusBeforeSort_.clear();
        if (!study_) {
            poll_.stop();
            progress_->setRange(0, 1);
            progress_->setValue(plan_ ? 1 : 0);
        }
        if (chart_ && chart_->isVisible())
            chart_->followReference();
    }
    updateButtons();
}

void StudyWindow::fitColumnWidths()
{
    const std::vector<study::Column>& columns = model_.columns();
    const QFontMetrics metrics = view_->fontMetrics();
    const FieldTexts fixed = plan_->pointFields(0);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const bool swept = std::any_of(plan_->sweptFields().begin(), plan_->sweptFields().end(),
                                       [&](const study::SweepField& field) { return field.field == columns[c].field; });
        const bool constant = columns[c].kind == study::ColumnKind::field && !swept;
        const int width = constant ? std::max(metrics.horizontalAdvance(model_.columnCaption(c)),
                                              metrics.horizontalAdvance(toQString(fixed[columns[c].field]))) +
                                         16
                                   : view_->horizontalHeader()->defaultSectionSize();
        view_->setColumnWidth(int(c), width);
    }
}

void StudyWindow::showMeetingCount()
{
    const std::size_t meeting = model_.meetingCount();
    const std::size_t points = model_.points().size();
    onlyMeeting_->setText(
        plan_ ? QStringLiteral("только точки, удовлетворяющие критерию: %1 из %2").arg(meeting).arg(points)
              : QStringLiteral("только точки, удовлетворяющие критерию"));
    const bool noneLeft = onlyMeeting_->isChecked() && points > 0 && meeting == 0;
    showStatus(noneLeft ? QStringLiteral("Ни одна из %1 точек не удовлетворяет критерию: таблица пуста. "
                                         "Снимите флажок «только точки, удовлетворяющие критерию», чтобы увидеть все.")
                              .arg(points)
                        : studyStatus_);
}

void StudyWindow::showStatus(const QString& text)
{
    if (model_.sorting())
        statusBeforeSort_ = text;
    else
        status_->setText(text);
}

void StudyWindow::showSortProgress()
{
    const RowSortProgress progress = model_.sortProgress();
    if (statusBeforeSort_.isNull())
        statusBeforeSort_ = status_->text().isNull() ? QStringLiteral("") : status_->text();
    const int column = model_.sortingColumn();
    const QString by = model_.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int percent = progress.total > 0 ? int(progress.done * 100 / progress.total) : 0;
    status_->setText(progress.running
                         ? QStringLiteral("Сортировка по «%1»: точки рассчитываются заново, %2 % (Shift+F9 — отменить)")
                               .arg(by)
                               .arg(percent)
                         : QStringLiteral("Сортировка по «%1»: %2 % (Shift+F9 — отменить)").arg(by).arg(percent));
    if (!study_) {
        progress_->setRange(0, 100);
        progress_->setValue(percent);
    }
}

void StudyWindow::poll()
{
    if (model_.sorting())
        showSortProgress();
    if (!study_)
        return;
    // Read before the points are taken: a study finished now has delivered them all.
    const bool finished = study_->finished();
    model_.append(study_->takePoints());
    showMeetingCount();
    const std::size_t done = model_.pointCount();
    const std::size_t total = plan_->pointCount();
    progress_->setValue(int(std::min<std::size_t>(done, 1'000'000'000)));
    const double seconds = double(elapsed_.elapsed()) / 1000.0;
    if (seconds > 0 && done > 0) {
        const double rate = double(done) / seconds;
        speed_->setText(QStringLiteral("%1 точек/с, осталось %2")
                            .arg(qRound64(rate))
                            .arg(durationText(double(total - done) / rate)));
    }
    if (finished)
        finishStudy();
}

void StudyWindow::finishStudy()
{
    if (!model_.sorting())
        poll_.stop();
    study_->wait();
    model_.append(study_->takePoints());
    QHeaderView& header = *view_->horizontalHeader();
    if (header.sortIndicatorSection() >= 0)
        view_->sortByColumn(header.sortIndicatorSection(), header.sortIndicatorOrder());
    header.setSortIndicatorShown(true);
    const bool stopped = study_->stopped();
    const std::exception_ptr error = study_->error();
    study_.reset();
    updateButtons();
    const std::size_t done = model_.pointCount();
    const double seconds = double(elapsed_.elapsed()) / 1000.0;
    speed_->setText(seconds > 0 ? QStringLiteral("%1 точек/с").arg(qRound64(double(done) / seconds)) : QString());
    studyStatus_ = stopped ? QStringLiteral("Остановлено: рассчитано %1 из %2 точек").arg(done).arg(plan_->pointCount())
                           : QStringLiteral("Рассчитано точек: %1").arg(done);
    showMeetingCount();
    // A study stopped before its first point leaves nothing to draw.
    if (chart_ && chart_->isVisible() && model_.pointCount() > 0)
        chart_->redraw();
    if (error)
        std::rethrow_exception(error);
}

void StudyWindow::showChart()
{
    if (!chart_) {
        chart_ = std::make_unique<StudyChartWindow>(model_, [this]() -> std::optional<std::size_t> {
            const QModelIndex current = view_->currentIndex();
            if (!current.isValid())
                return std::nullopt;
            return model_.pointOf(current.row()).index;
        });
        chart_->move(pos() + QPoint(40, 40));
    }
    // The study window's transient child, so that the model window's
    // modality, which the study window is spared, spares it too.
    showInFront(*chart_, *this);
    chart_->redraw();
}

void StudyWindow::updateButtons()
{
    run_->setEnabled(!study_);
    stop_->setEnabled(study_ || model_.sorting());
    putIntoFields_->setEnabled(view_->currentIndex().isValid());
}

void StudyWindow::putIntoFields()
{
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid())
        throw std::runtime_error("Выберите строку таблицы: её исходные данные будут подставлены в поля.");
    const FieldTexts fields = model_.fieldsOf(current.row());
    for (int n = 1; n <= kFieldCount; ++n)
        form_.field(n)->setText(toQString(fields[Field(n)]));
    takeFieldTexts();
}

void StudyWindow::copyCells(formats::WithHeader header) { copySelectedCells(*view_, header); }

std::vector<std::size_t> StudyWindow::selectedPoints() const
{
    std::set<std::size_t> places;
    const auto take = [&](int row) { places.insert(model_.placeOf(row)); };
    for (const QItemSelectionRange& range : view_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            take(row);
    if (places.empty() && view_->currentIndex().isValid())
        take(view_->currentIndex().row());
    return {places.begin(), places.end()};
}

void StudyWindow::showProfile()
{
    const std::vector<std::size_t> places = selectedPoints();
    if (places.empty())
        throw std::runtime_error("Выберите строки таблицы: профиль каскада строится по их точкам.");
    std::size_t withReactors = 0;
    for (std::size_t place : places)
        withReactors += model_.points()[place].reactorCount > 0 ? 1 : 0;
    checkRunsOnOneChart(withReactors);
    // A point's run is a function of its texts: run again, it gives the
    // values the table shows.
    std::vector<RunRecord> runs;
    std::vector<FieldTexts> fields;
    QStringList numbers;
    for (std::size_t place : places) {
        const std::size_t index = model_.points()[place].index;
        runs.push_back(study::runPoint(*plan_, index));
        fields.push_back(plan_->pointFields(index));
        numbers << QString::number(index + 1);
    }
    std::vector<ChartRun> drawn;
    for (std::size_t r = 0; r < runs.size(); ++r)
        drawn.push_back({&runs[r], &fields[r], model_.points()[places[r]].index + 1, "Точка"});
    if (!profile_) {
        profile_ = std::make_unique<ChartWindow>(form_.decimalSeparator());
        profile_->move(pos() + QPoint(80, 80));
    }
    profile_->showRuns(modelKind_, drawn,
                       QStringLiteral("Профиль каскада — %1, %2 %3")
                           .arg(form_.windowTitle(),
                                numbers.size() == 1 ? QStringLiteral("точка") : QStringLiteral("точки"),
                                numbers.join(QStringLiteral(", "))));
    showInFront(*profile_, *this);
}

void StudyWindow::checkReportable() const
{
    if (!plan_)
        throw std::runtime_error("Отчёт составляется по рассчитанному исследованию: исследование ещё не рассчитано.");
}

StudyChartChoice StudyWindow::reportChart() const
{
    const std::size_t swept = plan_->sweptFields().size();
    if (chart_ && chart_->isVisible())
        if (std::optional<StudyChartChoice> shown = chart_->shownChoice();
            shown && shown->xField < swept && (!shown->otherField || *shown->otherField < swept))
            return *shown;
    StudyChartChoice choice;
    if (swept > 1)
        choice.otherField = 1;
    const QModelIndex current = view_->currentIndex();
    choice.reference = current.isValid() ? model_.pointOf(current.row()).index : 0;
    return choice;
}

void StudyWindow::saveReport()
{
    checkReportable();
    saveStudyReport(this, {model_, studied_, reportChart(), QDateTime::currentDateTime()});
}

void StudyWindow::printReport()
{
    checkReportable();
    printStudyReport(this, {model_, studied_, reportChart(), QDateTime::currentDateTime()});
}

void StudyWindow::saveResults()
{
    if (!plan_)
        throw std::runtime_error("Исследование ещё не рассчитано: сохранять нечего.");
    const std::optional<ChosenFile> chosen =
        chooseFile(this, {true, QStringLiteral("Сохранить результаты исследования"), fileTypesOf(kResultFiles),
                          QStringLiteral("исследование")});
    if (!chosen)
        return;
    std::string bytes;
    try {
        bytes = kResultFiles[chosen->type].bytesOf(model_);
    } catch (const FileProblem& problem) {
        throw FileProblem(cannotSave(chosen->path, problem.message()));
    }
    writeWholeFile(chosen->path, QByteArray::fromStdString(bytes));
}

void StudyWindow::saveStudy()
{
    const std::optional<ChosenFile> chosen =
        chooseFile(this, {true, QStringLiteral("Сохранить исследование"), kStudyTypes, QStringLiteral("исследование")});
    if (!chosen)
        return;
    writeWholeFile(chosen->path, QByteArray::fromStdString(
                                     formats::studyJson({modelKind_, valuesTexts()}, form_.decimalSeparator())));
}

void StudyWindow::openStudy()
{
    const std::optional<ChosenFile> chosen =
        chooseFile(this, {false, QStringLiteral("Открыть исследование"), kStudyTypes, {}});
    if (!chosen)
        return;
    formats::StudyDefinition study;
    try {
        const std::string json =
            formats::readWholeFile(chosen->path.toStdString(), formats::kStudySizeLimit, formats::OtherFiles::refused);
        study = formats::readStudy(json, form_.decimalSeparator());
        if (study.model != modelKind_)
            throw FileProblem("это исследование окна «" + std::string(modelCaption(study.model)) + "»");
    } catch (const FileProblem& problem) {
        throw FileProblem(cannotOpen(chosen->path, problem.message()));
    }
    for (int n = 1; n <= kFieldCount; ++n)
        values_[Field(n)]->setText(toQString(study.values[Field(n)]));
}

// Closing stops the study and waits for its thread; the points stay.
void StudyWindow::closeEvent(QCloseEvent* event)
{
    guarded([this] {
        model_.stopSorting();
        if (study_) {
            study_->stop();
            finishStudy();
        }
        if (chart_)
            chart_->close();
        if (profile_)
            profile_->close();
    });
    QWidget::closeEvent(event);
}

} // namespace kaskad::ui
