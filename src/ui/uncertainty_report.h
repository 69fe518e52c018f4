// What the window "Допуски и надёжность" has found, its charts, and its
// report on A4 pages: the fields and their tolerances, the margin's
// sensitivity, the probability of meeting the criterion with the summaries,
// and the charts drawn as vectors; written as PDF or printed.
#pragma once

#include "chart/sensitivity_scenes.h"
#include "ui/uncertainty_run.h"
#include "ui/uncertainty_summary.h"

#include <QByteArray>
#include <QDateTime>
#include <QGraphicsScene>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QWidget;

namespace kaskad::ui {

// The charts, in the window's order of tabs.
enum class ReliabilityChart { tornado, histogram, sobol };

struct ReliabilityFindings {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;                          // the model window's texts the findings are of
    FieldTexts cells;                           // the tolerance cells
    std::optional<chart::TornadoChart> tornado; // after "Чувствительность"
    std::optional<UncertaintyOutcome> outcome;  // after "Рассчитать"
    std::vector<chart::SobolIndices> sobol;     // the margin's, when estimated

    bool any() const { return tornado || outcome; }
};

// "P = 0,953, 95 % интервал [0,94; 0,96]; расчётов: 1000, не удалось: 0".
QString probabilityText(const UncertaintyOutcome& outcome, DecimalSeparator separator);

// The chart of `size`; none where the findings hold nothing for it.
std::unique_ptr<QGraphicsScene> findingsScene(const ReliabilityFindings& findings, ReliabilityChart which, QSize size,
                                              DecimalSeparator separator);

struct UncertaintyReport {
    const ReliabilityFindings& findings;
    const UncertaintySummaryModel& summary;
    DecimalSeparator separator;
    QDateTime madeAt;
};

void paintUncertaintyReport(QPagedPaintDevice& device, const UncertaintyReport& report);
QByteArray uncertaintyReportPdf(const UncertaintyReport& report);
// Asks for the PDF's name and writes it whole, or reports why it could not.
void saveUncertaintyReport(QWidget* parent, const UncertaintyReport& report);
// Asks for a printer in the print dialog and prints the report on it.
void printUncertaintyReport(QWidget* parent, const UncertaintyReport& report);

} // namespace kaskad::ui
