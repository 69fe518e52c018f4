// The study's chart: lines with Qt Charts, the margin's map drawn cell by cell.
#include "ui/study_chart.h"

#include "chart/profile_scene.h"
#include "chart/decimal_axes.h"
#include "formats/file_problem.h"
#include "model/criterion.h"
#include "ui/error_report.h"
#include "ui/qt_text.h"
#include "ui/user_files.h"

#include <QAction>
#include <QComboBox>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kaskad::ui {

namespace {

constexpr std::size_t kNone = std::size_t(-1);

const std::array<SavedFileType<QGraphicsScene, QByteArray>, 2> kChartFiles = {{
    {{QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("png")}, chart::pngImage},
    {{QStringLiteral("Рисунок SVG (*.svg)"), QStringLiteral("svg")}, chart::svgDocument},
}};

// The points over two swept fields (the second may be none), the other swept
// fields at the reference point's texts: cell [y * columns + x] holds the
// point's place in `points`, or kNone while it is not computed.
struct StudyGrid {
    std::size_t columns = 0;
    std::size_t rows = 1;
    std::vector<std::size_t> cells;
};

StudyGrid studyGrid(const study::SweepPlan& plan, const std::vector<StudyPoint>& points, std::size_t xField,
                    std::optional<std::size_t> yField, std::size_t reference)
{
    const auto& swept = plan.sweptFields();
    StudyGrid grid;
    grid.columns = swept[xField].texts.size();
    grid.rows = yField ? swept[*yField].texts.size() : 1;
    grid.cells.assign(grid.columns * grid.rows, kNone);
    for (std::size_t p = 0; p < points.size(); ++p) {
        const std::size_t index = points[p].index;
        bool onGrid = true;
        for (std::size_t f = 0; f < swept.size() && onGrid; ++f)
            if (f != xField && f != yField)
                onGrid = plan.textIndex(index, f) == plan.textIndex(reference, f);
        if (onGrid)
            grid.cells[(yField ? plan.textIndex(index, *yField) : 0) * grid.columns + plan.textIndex(index, xField)] =
                p;
    }
    return grid;
}

} // namespace

QString StudyChartWindow::heldFieldsText(const study::SweepPlan& plan, const StudyChartChoice& choice)
{
    QStringList held;
    for (std::size_t f = 0; f < plan.sweptFields().size(); ++f)
        if (f != choice.xField && f != choice.otherField) {
            const study::SweepField& field = plan.sweptFields()[f];
            held << toQString(field.name + " = " + field.texts[plan.textIndex(choice.reference, f)]);
        }
    return held.isEmpty() ? QString() : QStringLiteral("При ") + held.join(QStringLiteral(", "));
}

namespace {

std::optional<double> outletValue(const StudyPoint& point, Pane pane)
{
    if (point.run.reactors.empty() || !point.run.reactors.back().has(pane))
        return std::nullopt;
    return point.run.reactors.back().value(pane);
}

// A swept field's text as a position on an axis; none for a text that is no number.
std::optional<double> axisPosition(const std::string& text, DecimalSeparator separator)
{
    try {
        return double(TextToNumber(text, separator));
    } catch (const Exception&) {
        return std::nullopt;
    }
}

QFont pixelFont(QSize size, double scale)
{
    QFont font;
    font.setPixelSize(
        std::clamp(int(std::lround(std::sqrt(double(size.width()) * size.height()) / 61 * scale)), 8, 64));
    return font;
}

// The most entries the lines' legend shows: with more lines than that, the
// legend names an evenly spread few of them, the first and the last among
// them.
constexpr std::size_t kMostLegendEntries = 12;
// The colours the chart's theme tells apart: more lines than that are
// coloured in the order of their values instead.
constexpr std::size_t kThemeColours = 5;

// "21 линия", "23 линии", "26 линий".
QString linesText(std::size_t count)
{
    const std::size_t tens = count % 100;
    const std::size_t ones = count % 10;
    const char* word = tens >= 11 && tens <= 14 ? "линий"
                       : ones == 1              ? "линия"
                       : ones >= 2 && ones <= 4 ? "линии"
                                                : "линий";
    return QStringLiteral("%1 %2").arg(count).arg(toQString(word));
}

// The colour of line `line` of `count`, from deep violet through blue and
// green to ochre: dark enough on white at every step.
QColor rampColour(std::size_t line, std::size_t count)
{
    static const QColor stops[] = {{0x44, 0x01, 0x54}, {0x31, 0x68, 0x8e}, {0x1f, 0x9a, 0x6a}, {0xc0, 0x8a, 0x00}};
    const double at = count > 1 ? double(line) / double(count - 1) * 3 : 0;
    const auto from = std::min<std::size_t>(2, std::size_t(at));
    const double share = at - double(from);
    const QColor& a = stops[from];
    const QColor& b = stops[from + 1];
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * share),
                            float(a.greenF() + (b.greenF() - a.greenF()) * share),
                            float(a.blueF() + (b.blueF() - a.blueF()) * share));
}

// Many lines stay told apart: coloured in the order of their values, and
// with more than the legend holds, every k-th named with the last and a
// closing entry that counts them all, so the legend keeps within the chart.
void colourManyLines(QChart& chart, const std::vector<QLineSeries*>& lines)
{
    const std::size_t count = lines.size();
    if (count > kThemeColours)
        for (std::size_t line = 0; line < count; ++line)
            lines[line]->setColor(rampColour(line, count));
    if (count <= kMostLegendEntries)
        return;
    const std::size_t step = (count + kMostLegendEntries - 3) / (kMostLegendEntries - 2);
    for (std::size_t line = 0; line < count; ++line) {
        const bool named = line % step == 0 || line + 1 == count;
        for (QLegendMarker* marker : chart.legend()->markers(lines[line]))
            marker->setVisible(named);
    }
    auto* note = new QLineSeries;
    note->setName(QStringLiteral("… всего ") + linesText(count));
    note->setPen(QPen(Qt::transparent));
    chart.addSeries(note);
    // Drawn as its series' line, which is transparent: the entry is its text alone.
    for (QLegendMarker* marker : chart.legend()->markers(note))
        marker->setShape(QLegend::MarkerShapeFromSeries);
}

// The criterion's band for the quantity: between its bounds, or from its one
// bound to the edge of the range shown.
void addCriterionBands(QChart& chart, QValueAxis& x, QValueAxis& y, ModelKind model, Pane pane)
{
    for (const CriterionBound& bound : criterionBounds(model)) {
        if (bound.pane != pane)
            continue;
        const double low = bound.atLeast ? double(*bound.atLeast) : y.min();
        const double high = bound.atMost ? double(*bound.atMost) : y.max();
        // The band does not own its edges: they are its children.
        auto* band = new QAreaSeries;
        auto* lower = new QLineSeries(band);
        auto* upper = new QLineSeries(band);
        lower->append({{x.min(), low}, {x.max(), low}});
        upper->append({{x.min(), high}, {x.max(), high}});
        band->setUpperSeries(upper);
        band->setLowerSeries(lower);
        band->setName(QStringLiteral("критерий: ") + toQString(bound.label));
        band->setColor(QColor(0x2c, 0xa0, 0x2c, 50));
        band->setBorderColor(QColor(0x2c, 0xa0, 0x2c, 160));
        chart.addSeries(band);
        band->attachAxis(&x);
        band->attachAxis(&y);
    }
}

std::unique_ptr<QGraphicsScene> linesScene(const study::SweepPlan& plan, const std::vector<StudyPoint>& points,
                                           const StudyChartChoice& choice, QSize size, DecimalSeparator separator)
{
    const auto& swept = plan.sweptFields();
    const StudyGrid grid = studyGrid(plan, points, choice.xField, choice.otherField, choice.reference);
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("%1 на выходе в зависимости от %2")
                        .arg(toQString(quantityName(choice.quantity)), toQString(swept[choice.xField].name)));
    chart->setTitleFont(pixelFont(size, 1.2));
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(pixelFont(size, 0.9));
    double xLow = HUGE_VAL, xHigh = -HUGE_VAL, yLow = HUGE_VAL, yHigh = -HUGE_VAL;
    std::vector<QLineSeries*> lines;
    for (std::size_t row = 0; row < grid.rows; ++row) {
        auto* series = new QLineSeries;
        lines.push_back(series);
        series->setPointsVisible(true);
        if (choice.otherField)
            series->setName(toQString(swept[*choice.otherField].name + " = " + swept[*choice.otherField].texts[row]));
        for (std::size_t column = 0; column < grid.columns; ++column) {
            const std::size_t p = grid.cells[row * grid.columns + column];
            const std::optional<double> at = axisPosition(swept[choice.xField].texts[column], separator);
            const std::optional<double> value = p == kNone ? std::nullopt : outletValue(points[p], choice.quantity);
            if (!at || !value)
                continue;
            series->append(*at, *value);
            xLow = std::min(xLow, *at), xHigh = std::max(xHigh, *at);
            yLow = std::min(yLow, *value), yHigh = std::max(yHigh, *value);
        }
        chart->addSeries(series);
    }
    if (xLow > xHigh)
        throw std::runtime_error("На графике нет ни одной рассчитанной точки.");
    if (!choice.otherField)
        chart->legend()->markers(chart->series().front()).front()->setVisible(false);
    const QString decimal = toQString(separator.text());
    QValueAxis* x = chart::paddedDecimalAxis(xLow, xHigh, toQString(swept[choice.xField].name), decimal, size);
    QValueAxis* y = chart::paddedDecimalAxis(yLow, yHigh, toQString(quantityName(choice.quantity)), decimal, size);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QValueAxis* axis : {x, y}) {
        axis->setLabelsFont(pixelFont(size, 0.9));
        axis->setTitleFont(pixelFont(size, 1.0));
    }
    for (QLineSeries* series : lines) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
    colourManyLines(*chart, lines);
    addCriterionBands(*chart, *x, *y, plan.model(), choice.quantity);
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    const QString held = StudyChartWindow::heldFieldsText(plan, choice);
    qreal top = 0;
    if (!held.isEmpty()) {
        QGraphicsSimpleTextItem* line = scene->addSimpleText(held, pixelFont(size, 1.0));
        top = line->boundingRect().height() * 1.6;
        line->setPos(line->font().pixelSize(), top * 0.2);
    }
    scene->addItem(chart);
    chart->setGeometry(0, top, size.width(), size.height() - top);
    return scene;
}

// The largest margin met and the largest shortfall of the map's points,
// each scaling the colours of its own sign: a region that meets the
// criterion by little still shows green when others miss it by much.
struct MarginScale {
    double largest = 0;   // of the margins at least 0
    double shortfall = 0; // of the margins below 0, as a positive number
};

// Red below zero, green above, deeper the further from zero on its side's scale.
QColor marginColour(double margin, const MarginScale& scale)
{
    const double reach = margin >= 0 ? scale.largest : scale.shortfall;
    const double share = reach > 0 ? std::min(1.0, std::abs(margin) / reach) : 0;
    const int deep = int(std::lround(240 - 150 * share));
    const int light = int(std::lround(240 - 40 * share));
    return margin >= 0 ? QColor(deep, light, deep) : QColor(light, deep, deep);
}

void addMapLabel(QGraphicsScene& scene, const QString& text, const QFont& font, QPointF at, Qt::Alignment align)
{
    QGraphicsSimpleTextItem* label = scene.addSimpleText(text, font);
    const QRectF box = label->boundingRect();
    const double dx = align & Qt::AlignRight ? -box.width() : align & Qt::AlignHCenter ? -box.width() / 2 : 0;
    label->setPos(at.x() + dx, at.y() - box.height() / 2);
}

// Where the map's cells lie: column 0 at the left, row 0 at the bottom.
struct MapLayout {
    QRectF area;
    std::size_t columns = 1;
    std::size_t rows = 1;

    QRectF cell(std::size_t column, std::size_t row) const
    {
        const double w = area.width() / double(columns);
        const double h = area.height() / double(rows);
        return {area.left() + w * double(column), area.bottom() - h * double(row + 1), w, h};
    }
};

// The cells coloured by their margins, grey where none is known, and the
// outline of the region that meets the criterion: each side of a meeting
// cell whose neighbour does not meet.
void addMapCells(QGraphicsScene& scene, const StudyGrid& grid, const std::vector<StudyPoint>& points,
                 const MapLayout& map, const MarginScale& scale, double unit)
{
    const auto pointAt = [&](std::size_t column, std::size_t row) -> const StudyPoint* {
        const std::size_t p = grid.cells[row * grid.columns + column];
        return p == kNone ? nullptr : &points[p];
    };
    const auto meets = [&](std::size_t column, std::size_t row) {
        const StudyPoint* point = pointAt(column, row);
        return point && point->criterion.meets;
    };
    for (std::size_t row = 0; row < grid.rows; ++row)
        for (std::size_t column = 0; column < grid.columns; ++column) {
            const StudyPoint* point = pointAt(column, row);
            const bool known = point && point->criterion.margin;
            scene.addRect(map.cell(column, row), Qt::NoPen,
                          known ? marginColour(*point->criterion.margin, scale) : QColor(Qt::lightGray));
        }
    const QPen outline(Qt::black, std::max(2.0, unit / 5));
    for (std::size_t row = 0; row < grid.rows; ++row)
        for (std::size_t column = 0; column < grid.columns; ++column) {
            if (!meets(column, row))
                continue;
            const QRectF r = map.cell(column, row);
            if (column == 0 || !meets(column - 1, row))
                scene.addLine(QLineF(r.topLeft(), r.bottomLeft()), outline);
            if (column + 1 == grid.columns || !meets(column + 1, row))
                scene.addLine(QLineF(r.topRight(), r.bottomRight()), outline);
            if (row == 0 || !meets(column, row - 1))
                scene.addLine(QLineF(r.bottomLeft(), r.bottomRight()), outline);
            if (row + 1 == grid.rows || !meets(column, row + 1))
                scene.addLine(QLineF(r.topLeft(), r.topRight()), outline);
        }
}

// The fields' names and their values' texts where they fit, else every k-th.
void addMapAxes(QGraphicsScene& scene, const study::SweepField& x, const study::SweepField& y, const MapLayout& map,
                const QFont& font)
{
    const double unit = font.pixelSize();
    const double w = map.area.width() / double(map.columns);
    const double h = map.area.height() / double(map.rows);
    const std::size_t xStep = std::max<std::size_t>(1, std::size_t(unit * 6 / std::max(w, 1.0)) + 1);
    for (std::size_t column = 0; column < map.columns; column += xStep)
        addMapLabel(scene, toQString(x.texts[column]), font,
                    {map.cell(column, 0).center().x(), map.area.bottom() + unit}, Qt::AlignHCenter);
    const std::size_t yStep = std::max<std::size_t>(1, std::size_t(unit * 1.5 / std::max(h, 1.0)) + 1);
    for (std::size_t row = 0; row < map.rows; row += yStep)
        addMapLabel(scene, toQString(y.texts[row]), font, {map.area.left() - unit / 2, map.cell(0, row).center().y()},
                    Qt::AlignRight);
    addMapLabel(scene, toQString(x.name), font, {map.area.center().x(), map.area.bottom() + unit * 2.6},
                Qt::AlignHCenter);
    addMapLabel(scene, toQString(y.name), font, {unit, map.area.center().y()}, Qt::AlignLeft);
}

// The colour scale: the largest margin at the top, 0 in the middle and the
// largest shortfall at the bottom, each half on its own sign's scale, with
// their texts in a few digits.
void addMarginScale(QGraphicsScene& scene, const QRectF& box, const MarginScale& scale, const QFont& font,
                    DecimalSeparator separator)
{
    constexpr int kSteps = 40;
    for (int s = 0; s < kSteps; ++s) {
        const double share = 1 - 2.0 * (s + 0.5) / kSteps;
        const double margin = share >= 0 ? scale.largest * share : scale.shortfall * share;
        scene.addRect(
            QRectF(box.left(), box.top() + box.height() * s / kSteps, box.width(), box.height() / kSteps + 0.5),
            Qt::NoPen, marginColour(margin, scale));
    }
    const double unit = font.pixelSize();
    const QString decimal = toQString(separator.text());
    // An end without points of its sign is left unlabelled.
    for (const auto& [margin, y] : {std::pair{scale.largest, box.top()}, std::pair{0.0, box.center().y()},
                                    std::pair{-scale.shortfall, box.bottom()}})
        if (margin != 0 || y == box.center().y())
            addMapLabel(scene, chart::shortDecimalText(margin, decimal), font, {box.right() + unit / 2, y},
                        Qt::AlignLeft);
}

std::unique_ptr<QGraphicsScene> mapScene(const study::SweepPlan& plan, const std::vector<StudyPoint>& points,
                                         const StudyChartChoice& choice, QSize size, DecimalSeparator separator)
{
    if (!choice.otherField)
        throw std::runtime_error("Для карты запаса критерия выберите второе варьируемое поле.");
    const study::SweepField& x = plan.sweptFields()[choice.xField];
    const study::SweepField& y = plan.sweptFields()[*choice.otherField];
    const StudyGrid grid = studyGrid(plan, points, choice.xField, choice.otherField, choice.reference);
    MarginScale scale;
    for (std::size_t p : grid.cells)
        if (p != kNone && points[p].criterion.margin) {
            const double margin = *points[p].criterion.margin;
            double& side = margin >= 0 ? scale.largest : scale.shortfall;
            side = std::max(side, std::abs(margin));
        }
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    const QFont font = pixelFont(size, 0.9);
    const double unit = font.pixelSize();
    const MapLayout map{QRectF(unit * 8, unit * 3, size.width() - unit * 24, size.height() - unit * 7), grid.columns,
                        grid.rows};
    addMapLabel(*scene, QStringLiteral("Запас критерия по %1 и %2").arg(toQString(x.name), toQString(y.name)),
                pixelFont(size, 1.2), {map.area.center().x(), unit * 1.1}, Qt::AlignHCenter);
    addMapLabel(*scene, StudyChartWindow::heldFieldsText(plan, choice), font, {map.area.center().x(), unit * 2.3},
                Qt::AlignHCenter);
    addMapCells(*scene, grid, points, map, scale, unit);
    addMapAxes(*scene, x, y, map, font);
    addMarginScale(*scene, QRectF(map.area.right() + unit * 2, map.area.top(), unit * 1.5, map.area.height()), scale,
                   font, separator);
    return scene;
}

} // namespace

std::unique_ptr<QGraphicsScene> studyChartScene(const study::SweepPlan& plan, const std::vector<StudyPoint>& points,
                                                const StudyChartChoice& choice, QSize size, DecimalSeparator separator)
{
    if (plan.sweptFields().empty())
        throw std::runtime_error("График строится по варьируемым полям: ни одно поле не варьируется.");
    return choice.map ? mapScene(plan, points, choice, size, separator)
                      : linesScene(plan, points, choice, size, separator);
}

StudyChartWindow::StudyChartWindow(const StudyTableModel& model, std::function<std::optional<std::size_t>()> reference)
    : model_(model), reference_(std::move(reference))
{
    setObjectName(QStringLiteral("StudyChartWindow"));
    setWindowTitle(QStringLiteral("График исследования"));
    const auto box = [this](const char* name) {
        auto* made = new QComboBox;
        made->setObjectName(toQString(name));
        connect(made, &QComboBox::activated, this, [this] { guarded([this] { redraw(); }); });
        return made;
    };
    kind_ = box("StudyChartKind");
    kind_->addItems({QStringLiteral("Линии"), QStringLiteral("Карта запаса критерия")});
    x_ = box("StudyChartX");
    other_ = box("StudyChartOther");
    quantity_ = box("StudyChartQuantity");
    for (Pane pane : kStoreOrder)
        quantity_->addItem(toQString(quantityName(pane)), int(pane));
    view_ = new QGraphicsView;
    view_->setObjectName(QStringLiteral("StudyChartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view_->setFrameShape(QFrame::NoFrame);
    auto* saveButton = new QPushButton(QStringLiteral("Сохранить…"));
    saveButton->setObjectName(QStringLiteral("StudyChartSave"));
    onClick(saveButton, this, &StudyChartWindow::save);

    auto* top = new QHBoxLayout;
    for (const auto& [label, widget] : {std::pair{"Вид:", kind_}, std::pair{"По оси X:", x_},
                                        std::pair{"Линии (ось Y карты):", other_}, std::pair{"Величина:", quantity_}}) {
        top->addWidget(new QLabel(toQString(label)));
        top->addWidget(widget);
    }
    top->addStretch(1);
    top->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);

    const auto key = [this](const QKeySequence& keys, const std::function<void()>& handler) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [handler] { guarded(handler); });
        addAction(action);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); });
    key(QKeySequence(Qt::Key_Escape), [this] { close(); });
    resize(1000, 640);
}

StudyChartWindow::~StudyChartWindow() { view_->setScene(nullptr); }

void StudyChartWindow::offerFields()
{
    const study::SweepPlan* plan = model_.plan();
    if (!plan || model_.studyNumber() == offeredFor_)
        return;
    offeredFor_ = model_.studyNumber();
    x_->clear();
    other_->clear();
    other_->addItem(QStringLiteral("—"));
    for (const study::SweepField& field : plan->sweptFields()) {
        x_->addItem(toQString(field.name));
        other_->addItem(toQString(field.name));
    }
    // A second swept field gives the lines, when there is one.
    other_->setCurrentIndex(plan->sweptFields().size() > 1 ? 2 : 0);
}

StudyChartChoice StudyChartWindow::choice() const
{
    StudyChartChoice chosen;
    chosen.map = kind_->currentIndex() == 1;
    chosen.xField = std::size_t(std::max(0, x_->currentIndex()));
    if (other_->currentIndex() > 0 && std::size_t(other_->currentIndex() - 1) != chosen.xField)
        chosen.otherField = std::size_t(other_->currentIndex() - 1);
    chosen.quantity = Pane(quantity_->currentData().toInt());
    chosen.reference = reference_().value_or(0);
    return chosen;
}

std::optional<StudyChartChoice> StudyChartWindow::shownChoice() const
{
    if (!scene_ || offeredFor_ != model_.studyNumber())
        return std::nullopt;
    return shown_;
}

void StudyChartWindow::redraw()
{
    if (!model_.plan())
        throw std::runtime_error("Исследование ещё не рассчитано: строить нечего.");
    offerFields();
    const StudyChartChoice chosen = choice();
    std::unique_ptr<QGraphicsScene> scene =
        studyChartScene(*model_.plan(), model_.points(), chosen, view_->viewport()->size().expandedTo({320, 240}),
                        model_.decimalSeparator());
    view_->setScene(scene.get());
    view_->setSceneRect(scene->sceneRect());
    scene_ = std::move(scene);
    shown_ = chosen;
}

void StudyChartWindow::studyStarted()
{
    offerFields();
    view_->setScene(nullptr);
    scene_.reset();
    shown_.reset();
}

void StudyChartWindow::followReference()
{
    const std::optional<StudyChartChoice> shown = shownChoice();
    if (!shown)
        return;
    StudyChartChoice now = *shown;
    now.reference = reference_().value_or(0);
    if (heldFieldsText(*model_.plan(), now) != heldFieldsText(*model_.plan(), *shown))
        redraw();
}

void StudyChartWindow::save()
{
    if (!scene_)
        throw std::runtime_error("График ещё не построен: сохранять нечего.");
    const std::optional<ChosenFile> chosen = chooseFile(this, {true, QStringLiteral("Сохранить график исследования"),
                                                               fileTypesOf(kChartFiles), QStringLiteral("график")});
    if (!chosen)
        return;
    QByteArray bytes;
    try {
        bytes = kChartFiles[chosen->type].bytesOf(*scene_);
    } catch (const std::runtime_error& error) {
        throw formats::FileProblem(cannotSave(chosen->path, error.what()));
    }
    writeWholeFile(chosen->path, bytes);
}

void StudyChartWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (scene_)
        guarded([this] { redraw(); });
}

} // namespace kaskad::ui
