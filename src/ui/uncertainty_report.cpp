// The reliability report's pages and the findings' charts.
#include "ui/uncertainty_report.h"

#include "chart/cascade_profile.h"
#include "kaskad/version.h"
#include "ui/qt_text.h"
#include "ui/report_pages.h"

#include <QPagedPaintDevice>

#include <algorithm>

namespace kaskad::ui {

namespace {

using report::Pages;
using report::reportFont;

QString methodCaption(study::SamplingMethod method)
{
    switch (method) {
    case study::SamplingMethod::mc:
        return QStringLiteral("Монте-Карло");
    case study::SamplingMethod::lhs:
        return QStringLiteral("латинский гиперкуб");
    case study::SamplingMethod::sobol:
        return QStringLiteral("последовательность Соболя");
    }
    return {};
}

QString findingsCaption(const ReliabilityFindings& findings)
{
    return toQString(chart::profileCaption(findings.model, findings.fields));
}

void drawFields(Pages& pages, const ReliabilityFindings& findings)
{
    report::sectionHeading(pages, QStringLiteral("Поля и допуски"));
    const std::span<const FieldDescription, kFieldCount> fields = modelFields(findings.model);
    const QFont font = reportFont(8);
    const QFont bold = reportFont(8, true);
    const double nameWidth = pages.textWidth(bold, QStringLiteral("Обозначение")) + 3.5;
    double textWidth = pages.textWidth(bold, QStringLiteral("Текст в окне")) + 3.5;
    double cellWidth = pages.textWidth(bold, QStringLiteral("Допуск или распределение")) + 3.5;
    for (const FieldDescription& field : fields) {
        textWidth = std::max(textWidth, pages.textWidth(font, toQString(findings.fields[field.field])) + 3.5);
        cellWidth = std::max(cellWidth, pages.textWidth(font, toQString(findings.cells[field.field])) + 3.5);
    }
    report::drawTable(pages,
                      {{{QStringLiteral("Параметр"), pages.width() - nameWidth - textWidth - cellWidth, Qt::AlignLeft},
                        {QStringLiteral("Обозначение"), nameWidth, Qt::AlignLeft},
                        {QStringLiteral("Текст в окне"), textWidth, Qt::AlignRight},
                        {QStringLiteral("Допуск или распределение"), cellWidth, Qt::AlignRight}},
                       kFieldCount,
                       [&](std::size_t row, std::size_t column) {
                           const FieldDescription& field = fields[row];
                           switch (column) {
                           case 0:
                               return toQString(field.caption);
                           case 1:
                               return toQString(field.name);
                           case 2:
                               return toQString(findings.fields[field.field]);
                           default:
                               return toQString(findings.cells[field.field]);
                           }
                       },
                       {}});
    pages.y += 3;
}

// The chart rendered into the page as vectors, `share` of the page's width high.
void drawChart(Pages& pages, const ReliabilityFindings& findings, ReliabilityChart which, DecimalSeparator separator)
{
    const double width = pages.width();
    const double height = width * 0.6;
    pages.ensureRoom(height + 4);
    const std::unique_ptr<QGraphicsScene> scene =
        findingsScene(findings, which, QSize(1200, int(1200 * height / width)), separator);
    if (!scene)
        return;
    scene->render(&pages.painter(), pages.toDevice(QRectF(0, pages.y, width, height)), scene->sceneRect(),
                  Qt::KeepAspectRatio);
    pages.y += height + 4;
}

void drawSensitivity(Pages& pages, const UncertaintyReport& report)
{
    const chart::TornadoChart& tornado = *report.findings.tornado;
    pages.ensureRoom(pages.width() * 0.6 + 20);
    report::sectionHeading(pages, QStringLiteral("Чувствительность запаса по критерию"));
    report::paragraph(pages,
                      QStringLiteral("Запас в точке окна: %1. Полосы — запас при значении поля минус и плюс допуск "
                                     "(без допуска — 1 % значения).")
                          .arg(numberText(tornado.nominal, report.separator)),
                      reportFont(9), report::kInk);
    drawChart(pages, report.findings, ReliabilityChart::tornado, report.separator);
}

// A row per statistic, a column per quantity summarised.
void drawSummaries(Pages& pages, const UncertaintySummaryModel& summary)
{
    const QFont bold = reportFont(8, true);
    double firstWidth = 0;
    for (int s = 0; s < summary.statisticCount(); ++s)
        firstWidth = std::max(firstWidth, pages.textWidth(reportFont(8), summary.statisticName(s)) + 3.5);
    const double numberWidth = pages.textWidth(reportFont(8), report::widestNumber()) + 3.5;
    // The table stays on one page.
    pages.ensureRoom(double(summary.statisticCount() + 1) * pages.lineHeight(reportFont(8)) * 1.45);
    std::vector<report::Column> columns{{QStringLiteral("Статистика"), firstWidth, Qt::AlignLeft}};
    for (int q = 0; q < summary.columnCount(); ++q)
        columns.push_back({summary.quantityName(q), numberWidth, Qt::AlignRight});
    report::drawTable(pages, {columns,
                              std::size_t(summary.statisticCount()),
                              [&](std::size_t row, std::size_t column) {
                                  return column == 0 ? summary.statisticName(int(row))
                                                     : summary.cellText(int(row), int(column - 1));
                              },
                              {}});
    pages.y += 3;
}

void drawUncertainty(Pages& pages, const UncertaintyReport& report)
{
    const UncertaintyOutcome& outcome = *report.findings.outcome;
    report::sectionHeading(pages, QStringLiteral("Вероятность выполнения критерия"));
    report::paragraph(pages,
                      QStringLiteral("Выборка: %1 расчётов, %2, зерно %3%4.")
                          .arg(outcome.request.samples)
                          .arg(methodCaption(outcome.request.method))
                          .arg(outcome.request.seed)
                          .arg(outcome.result.stopped ? QStringLiteral("; расчёт остановлен") : QString()),
                      reportFont(9), report::kInk);
    report::paragraph(pages, probabilityText(outcome, report.separator), reportFont(9.5, true),
                      outcome.result.meets.value >= 0.5L ? report::kMet : report::kMissed);
    pages.y += 2;
    drawSummaries(pages, report.summary);
    drawChart(pages, report.findings, ReliabilityChart::histogram, report.separator);
    drawChart(pages, report.findings, ReliabilityChart::sobol, report.separator);
}

QString reportTitle(const UncertaintyReport& report)
{
    return QStringLiteral("Отчёт — допуски и надёжность, %1").arg(toQString(modelCaption(report.findings.model)));
}

} // namespace

QString probabilityText(const UncertaintyOutcome& outcome, DecimalSeparator separator)
{
    const study::Proportion& meets = outcome.result.meets;
    return QStringLiteral(
               "Вероятность выполнения критерия P = %1, 95 % интервал [%2; %3]; расчётов: %4, не удалось: %5")
        .arg(extendedNumberText(meets.value, separator), extendedNumberText(meets.lower, separator),
             extendedNumberText(meets.upper, separator))
        .arg(outcome.result.evaluations)
        .arg(outcome.result.failedRuns);
}

std::unique_ptr<QGraphicsScene> findingsScene(const ReliabilityFindings& findings, ReliabilityChart which, QSize size,
                                              DecimalSeparator separator)
{
    const QString separatorText = toQString(separator.text());
    switch (which) {
    case ReliabilityChart::tornado:
        if (!findings.tornado)
            return nullptr;
        return chart::tornadoScene(*findings.tornado, separatorText, size);
    case ReliabilityChart::histogram:
        if (!findings.outcome || findings.outcome->margins.empty())
            return nullptr;
        return chart::marginHistogramScene(findings.outcome->margins, findingsCaption(findings), separatorText, size);
    case ReliabilityChart::sobol:
        if (findings.sobol.empty())
            return nullptr;
        return chart::sobolScene(findings.sobol, findingsCaption(findings), separatorText, size);
    }
    return nullptr;
}

void paintUncertaintyReport(QPagedPaintDevice& device, const UncertaintyReport& report)
{
    const QString model = toQString(modelCaption(report.findings.model));
    Pages pages(device,
                QStringLiteral("Kaskad %1 · %2, допуски и надёжность").arg(QStringLiteral(KASKAD_VERSION), model));
    report::drawTitle(pages, QStringLiteral("Отчёт о допусках и надёжности"), model, report.madeAt);
    drawFields(pages, report.findings);
    if (report.findings.tornado)
        drawSensitivity(pages, report);
    if (report.findings.outcome)
        drawUncertainty(pages, report);
    pages.finish();
}

QByteArray uncertaintyReportPdf(const UncertaintyReport& report)
{
    return report::reportPdf(reportTitle(report),
                             [&](QPagedPaintDevice& device) { paintUncertaintyReport(device, report); });
}

void saveUncertaintyReport(QWidget* parent, const UncertaintyReport& report)
{
    report::saveReportPdf(parent, QStringLiteral("отчёт-надёжность"), reportTitle(report),
                          [&](QPagedPaintDevice& device) { paintUncertaintyReport(device, report); });
}

void printUncertaintyReport(QWidget* parent, const UncertaintyReport& report)
{
    report::printReport(parent, reportTitle(report),
                        [&](QPagedPaintDevice& device) { paintUncertaintyReport(device, report); });
}

} // namespace kaskad::ui
