// The report of a parameter study on A4 pages: the model, the study's
// definition, its best points by the criterion's margin with the digits the
// study table shows, and the study's chart drawn as vectors; written as PDF
// or printed.
#pragma once

#include "ui/study_chart.h"
#include "ui/study_table_model.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <vector>

class QPagedPaintDevice;
class QWidget;

namespace kaskad::ui {

// The most points the report lists as the best.
inline constexpr std::size_t kBestPointsReported = 10;

struct StudyReport {
    const StudyTableModel& table; // the study's plan and its points so far
    const FieldTexts& values;     // the values texts the study was run with
    StudyChartChoice chart;       // what its chart draws
    QDateTime madeAt;
};

// The places in `points` of those with the largest criterion margins, the
// largest first, at most `count`; a point without a margin is none of them.
std::vector<std::size_t> bestPoints(const std::vector<StudyPoint>& points, std::size_t count);

// "Отчёт — исследование, Тевир Барботажный": the document's title.
QString studyReportTitle(const StudyReport& report);

// Paints the report on `device`, whose page layout the caller has set.
void paintStudyReport(QPagedPaintDevice& device, const StudyReport& report);
QByteArray studyReportPdf(const StudyReport& report);
// Asks for the PDF's name and writes it whole, or reports why it could not.
void saveStudyReport(QWidget* parent, const StudyReport& report);
// Asks for a printer in the print dialog and prints the report on it.
void printStudyReport(QWidget* parent, const StudyReport& report);

} // namespace kaskad::ui
