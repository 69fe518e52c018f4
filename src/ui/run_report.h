// The report of one run on A4 pages: the model, the field texts, the
// criterion's verdict, every reactor's values as the panes print them and the
// cascade profile drawn as vectors; written as PDF or printed.
#pragma once

#include "model/run_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstddef>

class QPagedPaintDevice;
class QWidget;

namespace kaskad::ui {

struct RunReport {
    const RunRecord& run; // with the field texts it read
    std::size_t number;   // the run's number in the results table, from 1
    DecimalSeparator separator;
    QDateTime madeAt;
};

// "Отчёт — Тевир Барботажный, расчёт 3": the document's title.
QString reportTitle(const RunReport& report);

// Paints the report on `device`, whose page layout the caller has set,
// starting a page whenever the one under way is full.
void paintRunReport(QPagedPaintDevice& device, const RunReport& report);

// The report as the bytes of a PDF document on A4, its fonts embedded.
QByteArray runReportPdf(const RunReport& report);

// Asks for the PDF's name and writes it whole, or reports why it could not.
void saveRunReport(QWidget* parent, const RunReport& report);

// Asks for a printer in the print dialog and prints the report on it.
void printRunReport(QWidget* parent, const RunReport& report);

} // namespace kaskad::ui
