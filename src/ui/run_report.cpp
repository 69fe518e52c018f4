// The run report: its pages painted with QPainter, saved through Qt's PDF
// writer or printed.
#include "ui/run_report.h"

#include "chart/cascade_profile.h"
#include "chart/profile_scene.h"
#include "kaskad/version.h"
#include "model/criterion.h"
#include "ui/qt_text.h"
#include "ui/report_pages.h"

#include <QPagedPaintDevice>

#include <algorithm>
#include <vector>

namespace kaskad::ui {

namespace {

using namespace report;

void drawFields(Pages& pages, const RunReport& report)
{
    sectionHeading(pages, QStringLiteral("Исходные данные"));
    const std::span<const FieldDescription, kFieldCount> fields = modelFields(report.run.model);
    const double valueWidth = 50;
    const double nameWidth = 26;
    drawTable(pages, {{{QStringLiteral("Параметр"), pages.width() - nameWidth - valueWidth, Qt::AlignLeft},
                       {QStringLiteral("Обозначение"), nameWidth, Qt::AlignLeft},
                       {QStringLiteral("Значение"), valueWidth, Qt::AlignRight}},
                      kFieldCount,
                      [&](std::size_t row, std::size_t column) {
                          const FieldDescription& field = fields[row];
                          if (column == 0)
                              return toQString(field.caption);
                          if (column == 1)
                              return toQString(field.name);
                          return toQString(report.run.texts()[field.field]);
                      },
                      {}});
}

void drawVerdict(Pages& pages, const RunReport& report, const CriterionResult& result)
{
    const QFont bold = reportFont(9.5, true);
    if (!result.margin) {
        paragraph(pages, QStringLiteral("Выход каскада не рассчитан: критерий не проверяется."), bold, kMissed);
        return;
    }
    paragraph(pages,
              QStringLiteral("%1, запас %2")
                  .arg(result.meets ? QStringLiteral("Критерий выполнен") : QStringLiteral("Критерий не выполнен"),
                       numberText(*result.margin, report.separator)),
              bold, result.meets ? kMet : kMissed);
    paragraph(pages,
              QStringLiteral("Запас — наименьшее по границам расстояние значения на выходе до границы в единицах "
                             "величины; он не меньше нуля, когда выход удовлетворяет всем границам."),
              reportFont(7.5), kMuted);
}

void drawCriterion(Pages& pages, const RunReport& report)
{
    sectionHeading(pages, QStringLiteral("Критерий оптимальности"));
    const std::span<const CriterionBound> bounds = criterionBounds(report.run.model);
    const CriterionResult result = evaluateCriterion(report.run);
    const bool tested = !result.bounds.empty();
    drawTable(pages, {{{QStringLiteral("Граница"), 45, Qt::AlignLeft},
                       {QStringLiteral("Значение на выходе"), 55, Qt::AlignRight},
                       {QStringLiteral("Итог"), 40, Qt::AlignLeft}},
                      bounds.size(),
                      [&](std::size_t row, std::size_t column) {
                          if (column == 0)
                              return toQString(bounds[row].label);
                          if (!tested)
                              return QString();
                          if (column == 1)
                              return numberText(report.run.reactors.back().value(bounds[row].pane), report.separator);
                          return result.bounds[row] ? QStringLiteral("выполнена") : QStringLiteral("нарушена");
                      },
                      [&](std::size_t row, std::size_t column) {
                          return column == 2 && tested ? (result.bounds[row] ? kMet : kMissed) : kInk;
                      }});
    drawVerdict(pages, report, result);
    pages.y += 3;
}

void drawError(Pages& pages, const RunError& error)
{
    const QString where = error.reactor == 0 ? QStringLiteral("при чтении исходных данных")
                                             : QStringLiteral("на реакторе %1").arg(error.reactor);
    paragraph(pages, QStringLiteral("Расчёт прерван %1: %2").arg(where, toQString(error.message)),
              reportFont(9.5, true), kMissed);
    pages.y += 2;
}

void drawReactors(Pages& pages, const RunReport& report)
{
    sectionHeading(pages, QStringLiteral("Результаты по реакторам"));
    const std::vector<ReactorResult>& reactors = report.run.reactors;
    const QFont font = reportFont(8);
    double numberWidth = pages.textWidth(font, QStringLiteral("0.000000000000000")) + 3;
    for (const ReactorResult& reactor : reactors)
        for (Pane pane : kStoreOrder)
            if (reactor.has(pane))
                numberWidth =
                    std::max(numberWidth, pages.textWidth(font, numberText(reactor.value(pane), report.separator)) + 3);
    numberWidth = std::min(numberWidth, pages.textWidth(font, widestNumber()) + 3);
    const double reactorWidth = 17;
    const std::size_t each = numbersPerTable(pages, reactorWidth, numberWidth, kStoreOrder.size());
    for (std::size_t first = 0; first < kStoreOrder.size(); first += each) {
        Table table{{{QStringLiteral("Реактор"), reactorWidth, Qt::AlignLeft}}, reactors.size(), {}, {}};
        for (std::size_t q = first; q < first + each; ++q)
            table.columns.push_back({toQString(quantityName(kStoreOrder[q])), numberWidth, Qt::AlignRight});
        table.cell = [&](std::size_t row, std::size_t column) {
            const ReactorResult& reactor = reactors[row];
            if (column == 0)
                return QString::number(reactor.reactor());
            const Pane pane = kStoreOrder[first + column - 1];
            return reactor.has(pane) ? numberText(reactor.value(pane), report.separator) : QString();
        };
        drawTable(pages, table);
    }
}

// The cascade profile as the chart window draws it, rendered into the page as
// vectors: the scene's items paint through the PDF's own painter.
void drawProfile(Pages& pages, const RunReport& report)
{
    if (report.run.reactors.empty())
        return;
    pages.newPage();
    sectionHeading(pages, QStringLiteral("Профиль каскада"));
    const double width = pages.width();
    const double height = std::min(pages.roomLeft(), width * 1.2);
    const QSize sceneSize(1200, int(1200 * height / width));
    const std::unique_ptr<QGraphicsScene> scene = chart::profileScene(
        chart::cascadeProfile(report.run), toQString(chart::profileCaption(report.run.model, report.run.texts())),
        sceneSize, toQString(report.separator.text()));
    scene->render(&pages.painter(), pages.toDevice(QRectF(0, pages.y, width, height)), scene->sceneRect(),
                  Qt::KeepAspectRatio);
    pages.y += height;
}

} // namespace

QString reportTitle(const RunReport& report)
{
    return QStringLiteral("Отчёт — %1, расчёт %2").arg(toQString(modelCaption(report.run.model))).arg(report.number);
}

void paintRunReport(QPagedPaintDevice& device, const RunReport& report)
{
    report::Pages pages(device, QStringLiteral("Kaskad %1 · %2, расчёт %3")
                                    .arg(QStringLiteral(KASKAD_VERSION), toQString(modelCaption(report.run.model)))
                                    .arg(report.number));
    report::drawTitle(
        pages, QStringLiteral("Отчёт о расчёте каскада реакторов окисления"),
        QStringLiteral("%1 — расчёт %2").arg(toQString(modelCaption(report.run.model))).arg(report.number),
        report.madeAt);
    drawFields(pages, report);
    drawCriterion(pages, report);
    if (report.run.error)
        drawError(pages, *report.run.error);
    if (!report.run.reactors.empty())
        drawReactors(pages, report);
    drawProfile(pages, report);
    pages.finish();
}

QByteArray runReportPdf(const RunReport& report)
{
    return report::reportPdf(reportTitle(report), [&](QPagedPaintDevice& device) { paintRunReport(device, report); });
}

void saveRunReport(QWidget* parent, const RunReport& report)
{
    report::saveReportPdf(parent, QStringLiteral("отчёт-расчёт-%1").arg(report.number), reportTitle(report),
                          [&](QPagedPaintDevice& device) { paintRunReport(device, report); });
}

void printRunReport(QWidget* parent, const RunReport& report)
{
    report::printReport(parent, reportTitle(report),
                        [&](QPagedPaintDevice& device) { paintRunReport(device, report); });
}

} // namespace kaskad::ui
