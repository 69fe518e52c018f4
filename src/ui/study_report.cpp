// The study report: its pages painted on the reports' shared pages, saved
// through Qt's PDF writer or printed.
#include "ui/study_report.h"

#include "kaskad/version.h"
#include "model/criterion.h"
#include "ui/qt_text.h"
#include "ui/report_pages.h"

#include <QPagedPaintDevice>

#include <algorithm>
#include <stdexcept>

namespace kaskad::ui {

namespace {

using report::Column;
using report::Pages;
using report::reportFont;
using report::Table;
using study::ColumnKind;

// The place in the study table's columns of the first column `matches` takes.
template <class Matches>
std::size_t columnWhere(const StudyTableModel& table, Matches matches)
{
    const std::vector<study::Column>& columns = table.columns();
    return std::size_t(std::find_if(columns.begin(), columns.end(), matches) - columns.begin());
}

std::size_t valueCount(const study::SweepPlan& plan, Field field)
{
    for (const study::SweepField& swept : plan.sweptFields())
        if (swept.field == field)
            return swept.texts.size();
    return 1;
}

void drawDefinition(Pages& pages, const StudyReport& report)
{
    report::sectionHeading(pages, QStringLiteral("Определение исследования"));
    const study::SweepPlan& plan = *report.table.plan();
    const std::span<const FieldDescription, kFieldCount> fields = modelFields(plan.model());
    const QFont font = reportFont(8);
    const QFont bold = reportFont(8, true);
    const double nameWidth = pages.textWidth(bold, QStringLiteral("Обозначение")) + 3.5;
    const double countWidth = pages.textWidth(bold, QStringLiteral("Число значений")) + 3.5;
    double valuesWidth = pages.textWidth(bold, QStringLiteral("Значения")) + 3.5;
    for (const FieldDescription& field : fields)
        valuesWidth = std::max(valuesWidth, pages.textWidth(font, toQString(report.values[field.field])) + 3.5);
    valuesWidth = std::min(valuesWidth, pages.width() / 2);
    report::drawTable(
        pages, {{{QStringLiteral("Параметр"), pages.width() - nameWidth - valuesWidth - countWidth, Qt::AlignLeft},
                 {QStringLiteral("Обозначение"), nameWidth, Qt::AlignLeft},
                 {QStringLiteral("Значения"), valuesWidth, Qt::AlignRight},
                 {QStringLiteral("Число значений"), countWidth, Qt::AlignRight}},
                kFieldCount,
                [&](std::size_t row, std::size_t column) {
                    const FieldDescription& field = fields[row];
                    if (column == 0)
                        return toQString(field.caption);
                    if (column == 1)
                        return toQString(field.name);
                    if (column == 2)
                        return toQString(report.values[field.field]);
                    return QString::number(valueCount(plan, field.field));
                },
                {}});
    const std::size_t done = report.table.pointCount();
    const QString count = done == plan.pointCount()
                              ? QStringLiteral("Точек: %1, все рассчитаны.").arg(plan.pointCount())
                              : QStringLiteral("Точек: %1, рассчитано %2.").arg(plan.pointCount()).arg(done);
    report::paragraph(pages, count, reportFont(9.5, true), report::kInk);
    pages.y += 3;
}

void drawCriterion(Pages& pages, const StudyReport& report)
{
    report::sectionHeading(pages, QStringLiteral("Критерий оптимальности"));
    QStringList bounds;
    for (const CriterionBound& bound : criterionBounds(report.table.plan()->model()))
        bounds << toQString(bound.label);
    const std::vector<StudyPoint>& points = report.table.points();
    const auto meeting =
        std::count_if(points.begin(), points.end(), [](const StudyPoint& point) { return point.criterion.meets; });
    report::paragraph(pages, QStringLiteral("Границы на выходе каскада: %1.").arg(bounds.join(QStringLiteral("; "))),
                      reportFont(9.5), report::kInk);
    report::paragraph(
        pages, QStringLiteral("Критерию удовлетворяют %1 из %2 рассчитанных точек.").arg(meeting).arg(points.size()),
        reportFont(9.5, true), meeting > 0 ? report::kMet : report::kMissed);
    report::paragraph(pages,
                      QStringLiteral("Запас — наименьшее по границам расстояние значения на выходе до границы в "
                                     "единицах величины; он не меньше нуля, когда выход удовлетворяет всем границам."),
                      reportFont(7.5), report::kMuted);
    pages.y += 3;
}

// A column's title in the report: a field by its name, the quantities as
// the panes name them, the verdict and the margin in words.
QString columnTitle(const study::Column& column)
{
    switch (column.kind) {
    case ColumnKind::field: {
        const std::string_view name = column.name;
        return toQString(name.substr(name.find_first_not_of('-')));
    }
    case ColumnKind::reactor:
        return QStringLiteral("Реактор");
    case ColumnKind::meetsCriterion:
        return QStringLiteral("Критерий");
    case ColumnKind::criterionMargin:
        return QStringLiteral("Запас");
    default:
        return toQString(column.name);
    }
}

constexpr double kPlaceWidth = 14;

// The width of `column` of the best points' table: its widest text's.
double bestColumnWidth(const Pages& pages, const StudyReport& report, const std::vector<std::size_t>& best,
                       std::size_t column)
{
    double width = pages.textWidth(reportFont(8, true), columnTitle(report.table.columns()[column]));
    for (std::size_t place : best)
        width = std::max(width, pages.textWidth(reportFont(8), report.table.outletText(place, column)));
    return width + 3.5;
}

// How many outlet columns each table takes: as few tables as hold them all
// within the page's width, the columns shared evenly among them.
std::size_t outletColumnsPerTable(const Pages& pages, const StudyReport& report, const std::vector<std::size_t>& best,
                                  const std::vector<std::size_t>& columns)
{
    std::size_t tables = 1;
    double used = kPlaceWidth;
    for (std::size_t column : columns) {
        const double width = bestColumnWidth(pages, report, best, column);
        if (used + width > pages.width() && used > kPlaceWidth) {
            ++tables;
            used = kPlaceWidth;
        }
        used += width;
    }
    return (columns.size() + tables - 1) / tables;
}

// A table of the best points: their place, then `columns` of the study
// table, each as wide as its widest text.
void drawBestColumns(Pages& pages, const StudyReport& report, const std::vector<std::size_t>& best,
                     const std::vector<std::size_t>& columns, std::size_t marginColumn)
{
    // Ten rows stay on one page.
    pages.ensureRoom(double(best.size() + 1) * pages.lineHeight(reportFont(8)) * 1.45);
    Table table{{{QStringLiteral("Место"), kPlaceWidth, Qt::AlignLeft}}, best.size(), {}, {}};
    for (std::size_t column : columns)
        table.columns.push_back({columnTitle(report.table.columns()[column]),
                                 bestColumnWidth(pages, report, best, column), Qt::AlignRight});
    table.cell = [&](std::size_t row, std::size_t column) {
        return column == 0 ? QString::number(row + 1) : report.table.outletText(best[row], columns[column - 1]);
    };
    table.colour = [&](std::size_t row, std::size_t column) {
        if (column == 0 || columns[column - 1] != marginColumn)
            return report::kInk;
        return report.table.points()[best[row]].criterion.meets ? report::kMet : report::kMissed;
    };
    report::drawTable(pages, table);
}

void drawBestPoints(Pages& pages, const StudyReport& report)
{
    report::sectionHeading(pages, QStringLiteral("Лучшие точки по запасу критерия"));
    const std::vector<std::size_t> best = bestPoints(report.table.points(), kBestPointsReported);
    if (best.empty()) {
        report::paragraph(pages, QStringLiteral("Ни у одной рассчитанной точки нет выхода: запас не определён."),
                          reportFont(9.5, true), report::kMissed);
        return;
    }
    report::paragraph(pages,
                      QStringLiteral("Точки с наибольшим запасом, лучшая первой: тексты варьируемых полей, итог "
                                     "критерия и запас, затем значения на выходе каскада."),
                      reportFont(8.5), report::kMuted);
    const StudyTableModel& table = report.table;
    const std::size_t meets =
        columnWhere(table, [](const study::Column& c) { return c.kind == ColumnKind::meetsCriterion; });
    const std::size_t margin =
        columnWhere(table, [](const study::Column& c) { return c.kind == ColumnKind::criterionMargin; });
    std::vector<std::size_t> first;
    for (const study::SweepField& swept : table.plan()->sweptFields())
        first.push_back(columnWhere(
            table, [&](const study::Column& c) { return c.kind == ColumnKind::field && c.field == swept.field; }));
    first.push_back(columnWhere(table, [](const study::Column& c) { return c.kind == ColumnKind::reactor; }));
    first.push_back(meets);
    first.push_back(margin);
    drawBestColumns(pages, report, best, first, margin);

    std::vector<std::size_t> outlet;
    outlet.reserve(kStoreOrder.size());
    for (Pane pane : kStoreOrder)
        outlet.push_back(columnWhere(
            table, [&](const study::Column& c) { return c.kind == ColumnKind::quantity && c.pane == pane; }));
    const std::size_t each = outletColumnsPerTable(pages, report, best, outlet);
    for (std::size_t from = 0; from < outlet.size(); from += each)
        drawBestColumns(pages, report, best,
                        {outlet.begin() + std::ptrdiff_t(from),
                         outlet.begin() + std::ptrdiff_t(std::min(outlet.size(), from + each))},
                        margin);
}

// The chart as the study's chart window draws it, rendered into the page as
// vectors; where there is nothing to draw, the reason.
void drawChart(Pages& pages, const StudyReport& report)
{
    const double width = pages.width();
    pages.ensureRoom(width * 0.7 + 12);
    report::sectionHeading(pages, QStringLiteral("График исследования"));
    const double height = std::min(pages.roomLeft(), width * 0.7);
    const QSize sceneSize(1200, int(1200 * height / width));
    std::unique_ptr<QGraphicsScene> scene;
    try {
        scene = studyChartScene(*report.table.plan(), report.table.points(), report.chart, sceneSize,
                                report.table.decimalSeparator());
    } catch (const std::runtime_error& error) {
        report::paragraph(pages, QStringLiteral("График не построен: %1").arg(toQString(error.what())), reportFont(9.5),
                          report::kMissed);
        return;
    }
    scene->render(&pages.painter(), pages.toDevice(QRectF(0, pages.y, width, height)), scene->sceneRect(),
                  Qt::KeepAspectRatio);
    pages.y += height;
}

} // namespace

std::vector<std::size_t> bestPoints(const std::vector<StudyPoint>& points, std::size_t count)
{
    std::vector<std::size_t> places;
    for (std::size_t p = 0; p < points.size(); ++p)
        if (points[p].criterion.margin)
            places.push_back(p);
    const std::size_t kept = std::min(count, places.size());
    std::partial_sort(places.begin(), places.begin() + std::ptrdiff_t(kept), places.end(),
                      [&](std::size_t a, std::size_t b) {
                          const double x = *points[a].criterion.margin;
                          const double y = *points[b].criterion.margin;
                          return x != y ? x > y : a < b;
                      });
    places.resize(kept);
    return places;
}

QString studyReportTitle(const StudyReport& report)
{
    return QStringLiteral("Отчёт — исследование параметров, %1")
        .arg(toQString(modelCaption(report.table.plan()->model())));
}

void paintStudyReport(QPagedPaintDevice& device, const StudyReport& report)
{
    const QString model = toQString(modelCaption(report.table.plan()->model()));
    Pages pages(device,
                QStringLiteral("Kaskad %1 · %2, исследование параметров").arg(QStringLiteral(KASKAD_VERSION), model));
    report::drawTitle(pages, QStringLiteral("Отчёт об исследовании параметров"),
                      QStringLiteral("%1 — точек: %2").arg(model).arg(report.table.plan()->pointCount()),
                      report.madeAt);
    drawDefinition(pages, report);
    drawCriterion(pages, report);
    drawBestPoints(pages, report);
    drawChart(pages, report);
    pages.finish();
}

QByteArray studyReportPdf(const StudyReport& report)
{
    return report::reportPdf(studyReportTitle(report),
                             [&](QPagedPaintDevice& device) { paintStudyReport(device, report); });
}

void saveStudyReport(QWidget* parent, const StudyReport& report)
{
    report::saveReportPdf(parent, QStringLiteral("отчёт-исследование"), studyReportTitle(report),
                          [&](QPagedPaintDevice& device) { paintStudyReport(device, report); });
}

void printStudyReport(QWidget* parent, const StudyReport& report)
{
    report::printReport(parent, studyReportTitle(report),
                        [&](QPagedPaintDevice& device) { paintStudyReport(device, report); });
}

} // namespace kaskad::ui
