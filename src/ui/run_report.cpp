// The run report: its pages painted with QPainter, saved through Qt's PDF
// writer or printed.
#include "ui/run_report.h"

#include "chart/cascade_profile.h"
#include "chart/profile_scene.h"
#include "chart/qt_text.h"
#include "kaskad/version.h"
#include "model/criterion.h"
#include "ui/user_files.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace kaskad::ui {

namespace {

using chart::toQString;

const QColor kInk(0x1f, 0x23, 0x28);
const QColor kMuted(0x5f, 0x66, 0x6d);
const QColor kRule(0xa8, 0xb0, 0xb8);
const QColor kHeaderFill(0xdf, 0xe6, 0xee);
const QColor kStripeFill(0xf3, 0xf5, 0xf8);
const QColor kMet(0x1b, 0x6e, 0x20);
const QColor kMissed(0xb0, 0x1c, 0x1c);

// The footer's room at the foot of every page, in millimetres.
constexpr double kFooterRoom = 9;
// The widest text a pane prints, for columns that must hold any value.
const QString kWidestNumber = QStringLiteral("-8.88888888888888E-88");

QFont reportFont(double points, bool bold = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    // No ligatures: "fl" stays two letters for whoever searches or copies the
    // report's text.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QPageLayout a4Layout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 14, 16, 12),
                       QPageLayout::Millimeter);
}

QString numberText(long double value, DecimalSeparator separator)
{
    std::string text;
    appendNumberText(text, value, separator);
    return QString::fromStdString(text);
}

// The painter and the page under way. Positions are millimetres from the top
// left of the page's printable area, turned into the device's units as drawn;
// `y` is where the next line goes.
class ReportPages {
public:
    ReportPages(QPagedPaintDevice& device, QString footer) : device_(device), footer_(std::move(footer))
    {
        if (!painter_.begin(&device))
            throw std::runtime_error("Не удалось начать вывод отчёта.");
        unit_ = device.logicalDpiX() / 25.4;
        width_ = device.width() / unit_;
        height_ = device.height() / unit_ - kFooterRoom;
        drawFooter();
    }
    ~ReportPages()
    {
        if (painter_.isActive())
            painter_.end();
    }
    ReportPages(const ReportPages&) = delete;
    ReportPages& operator=(const ReportPages&) = delete;

    // Ends the document; raises when the device could not complete it.
    void finish()
    {
        if (!painter_.end())
            throw std::runtime_error("Не удалось завершить вывод отчёта.");
    }

    double width() const { return width_; }
    double roomLeft() const { return height_ - y; }
    // A new page when fewer than `millimetres` are left on this one.
    void ensureRoom(double millimetres)
    {
        if (y > 0 && roomLeft() < millimetres)
            newPage();
    }
    void newPage()
    {
        if (!device_.newPage())
            throw std::runtime_error("Не удалось начать новую страницу отчёта.");
        ++page_;
        y = 0;
        drawFooter();
    }

    QRectF toDevice(const QRectF& millimetres) const
    {
        return {millimetres.x() * unit_, millimetres.y() * unit_, millimetres.width() * unit_,
                millimetres.height() * unit_};
    }
    double lineHeight(const QFont& font) const { return QFontMetricsF(font, &device_).height() / unit_; }
    double textWidth(const QFont& font, const QString& text) const
    {
        return QFontMetricsF(font, &device_).horizontalAdvance(text) / unit_;
    }
    // The height `text` takes wrapped to `width`.
    double wrappedHeight(const QFont& font, double width, const QString& text) const
    {
        return QFontMetricsF(font, &device_)
                   .boundingRect(QRectF(0, 0, width * unit_, 1e6), Qt::TextWordWrap, text)
                   .height() /
               unit_;
    }

    void text(const QRectF& at, const QString& text, const QFont& font, const QColor& colour,
              int flags = Qt::AlignLeft | Qt::AlignVCenter)
    {
        painter_.setFont(font);
        painter_.setPen(colour);
        painter_.drawText(toDevice(at), flags, text);
    }
    void fill(const QRectF& at, const QColor& colour) { painter_.fillRect(toDevice(at), colour); }
    void rule(double atY, const QColor& colour, double thickness = 0.25)
    {
        fill(QRectF(0, atY - thickness / 2, width_, thickness), colour);
    }
    QPainter& painter() { return painter_; }

    double y = 0;

private:
    void drawFooter()
    {
        const QFont font = reportFont(7.5);
        const QRectF line(0, height_ + kFooterRoom - lineHeight(font), width_, lineHeight(font));
        rule(line.top() - 1, kRule);
        text(line, footer_, font, kMuted);
        text(line, QStringLiteral("Страница %1").arg(page_), font, kMuted, Qt::AlignRight | Qt::AlignVCenter);
    }

    QPagedPaintDevice& device_;
    QPainter painter_;
    QString footer_;
    double unit_ = 1;
    double width_ = 0;
    double height_ = 0;
    int page_ = 1;
};

struct Column {
    QString title;
    double width; // millimetres
    Qt::Alignment align;
};

// A table: a header row on a tinted band, then the rows striped; the header
// comes again at the top of every page the table continues on.
struct Table {
    std::vector<Column> columns;
    std::size_t rows = 0;
    std::function<QString(std::size_t row, std::size_t column)> cell;
    // The colour of a cell's text; the ink when empty.
    std::function<QColor(std::size_t row, std::size_t column)> colour;
};

void drawRow(ReportPages& pages, const Table& table, double height, const std::function<QString(std::size_t)>& text,
             const QFont& font, const std::function<QColor(std::size_t)>& colour)
{
    double x = 0;
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const Column& column = table.columns[c];
        pages.text(QRectF(x + 1.2, pages.y, column.width - 2.4, height), text(c), font, colour(c),
                   int(column.align | Qt::AlignVCenter));
        x += column.width;
    }
    pages.y += height;
}

void drawTable(ReportPages& pages, const Table& table)
{
    const QFont font = reportFont(8);
    const QFont headerFont = reportFont(8, true);
    const double height = pages.lineHeight(font) * 1.45;
    double tableWidth = 0;
    for (const Column& column : table.columns)
        tableWidth += column.width;
    const auto header = [&] {
        pages.fill(QRectF(0, pages.y, tableWidth, height), kHeaderFill);
        drawRow(
            pages, table, height, [&](std::size_t c) { return table.columns[c].title; }, headerFont,
            [](std::size_t) { return kInk; });
    };
    pages.ensureRoom(3 * height);
    header();
    for (std::size_t row = 0; row < table.rows; ++row) {
        if (pages.roomLeft() < height) {
            pages.newPage();
            header();
        }
        if (row % 2 == 1)
            pages.fill(QRectF(0, pages.y, tableWidth, height), kStripeFill);
        drawRow(
            pages, table, height, [&](std::size_t c) { return table.cell(row, c); }, font,
            [&](std::size_t c) { return table.colour ? table.colour(row, c) : kInk; });
    }
    pages.rule(pages.y, kRule);
    pages.y += 4;
}

void sectionHeading(ReportPages& pages, const QString& title)
{
    const QFont font = reportFont(11.5, true);
    const double height = pages.lineHeight(font);
    pages.ensureRoom(height * 4);
    pages.text(QRectF(0, pages.y, pages.width(), height), title, font, kInk);
    pages.y += height + 0.8;
    pages.rule(pages.y, kInk, 0.35);
    pages.y += 2;
}

// A paragraph wrapped to the page's width.
void paragraph(ReportPages& pages, const QString& text, const QFont& font, const QColor& colour)
{
    const double height = pages.wrappedHeight(font, pages.width(), text);
    pages.ensureRoom(height);
    pages.text(QRectF(0, pages.y, pages.width(), height), text, font, colour,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    pages.y += height + 1.5;
}

void drawTitle(ReportPages& pages, const RunReport& report)
{
    const QFont title = reportFont(17, true);
    const QFont subtitle = reportFont(12);
    const QFont meta = reportFont(8.5);
    const auto line = [&](const QString& text, const QFont& font, const QColor& colour) {
        const double height = pages.lineHeight(font);
        pages.text(QRectF(0, pages.y, pages.width(), height), text, font, colour);
        pages.y += height + 0.8;
    };
    line(QStringLiteral("Отчёт о расчёте каскада реакторов окисления"), title, kInk);
    line(QStringLiteral("%1 — расчёт %2").arg(toQString(modelCaption(report.run.model))).arg(report.number), subtitle,
         kInk);
    line(QStringLiteral("Составлен %1 · Kaskad %2")
             .arg(report.madeAt.toString(QStringLiteral("dd.MM.yyyy HH:mm")), QStringLiteral(KASKAD_VERSION)),
         meta, kMuted);
    pages.y += 5;
}

void drawFields(ReportPages& pages, const RunReport& report)
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
                          return QString::fromStdString(report.fields[field.field]);
                      },
                      {}});
}

void drawVerdict(ReportPages& pages, const RunReport& report, const CriterionResult& result)
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

void drawCriterion(ReportPages& pages, const RunReport& report)
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
                              return QString::fromStdString(
                                  report.run.reactors.back().text(bounds[row].pane, report.separator));
                          return result.bounds[row] ? QStringLiteral("выполнена") : QStringLiteral("нарушена");
                      },
                      [&](std::size_t row, std::size_t column) {
                          return column == 2 && tested ? (result.bounds[row] ? kMet : kMissed) : kInk;
                      }});
    drawVerdict(pages, report, result);
    pages.y += 3;
}

void drawError(ReportPages& pages, const RunError& error)
{
    const QString where = error.reactor == 0 ? QStringLiteral("при чтении исходных данных")
                                             : QStringLiteral("на реакторе %1").arg(error.reactor);
    paragraph(pages, QStringLiteral("Расчёт прерван %1: %2").arg(where, QString::fromStdString(error.message)),
              reportFont(9.5, true), kMissed);
    pages.y += 2;
}

// How many quantities share a table: as many of the twelve as fit the page's
// width side by side, in groups of equal size.
std::size_t quantitiesPerTable(const ReportPages& pages, double reactorWidth, double numberWidth)
{
    for (std::size_t each : {std::size_t(12), std::size_t(6), std::size_t(4), std::size_t(3)})
        if (reactorWidth + double(each) * numberWidth <= pages.width())
            return each;
    return 2;
}

void drawReactors(ReportPages& pages, const RunReport& report)
{
    sectionHeading(pages, QStringLiteral("Результаты по реакторам"));
    const std::vector<ReactorResult>& reactors = report.run.reactors;
    const QFont font = reportFont(8);
    double numberWidth = pages.textWidth(font, QStringLiteral("0.000000000000000")) + 3;
    for (const ReactorResult& reactor : reactors)
        for (Pane pane : kStoreOrder)
            if (reactor.has(pane))
                numberWidth =
                    std::max(numberWidth, pages.textWidth(font, toQString(reactor.text(pane, report.separator))) + 3);
    numberWidth = std::min(numberWidth, pages.textWidth(font, kWidestNumber) + 3);
    const double reactorWidth = 17;
    const std::size_t each = quantitiesPerTable(pages, reactorWidth, numberWidth);
    for (std::size_t first = 0; first < kStoreOrder.size(); first += each) {
        Table table{{{QStringLiteral("Реактор"), reactorWidth, Qt::AlignLeft}}, reactors.size(), {}, {}};
        for (std::size_t q = first; q < first + each; ++q)
            table.columns.push_back({toQString(quantityName(kStoreOrder[q])), numberWidth, Qt::AlignRight});
        table.cell = [&](std::size_t row, std::size_t column) {
            const ReactorResult& reactor = reactors[row];
            if (column == 0)
                return QString::number(reactor.reactor());
            const Pane pane = kStoreOrder[first + column - 1];
            return reactor.has(pane) ? QString::fromStdString(reactor.text(pane, report.separator)) : QString();
        };
        drawTable(pages, table);
    }
}

// The cascade profile as the chart window draws it, rendered into the page as
// vectors: the scene's items paint through the PDF's own painter.
void drawProfile(ReportPages& pages, const RunReport& report)
{
    if (report.run.reactors.empty())
        return;
    pages.newPage();
    sectionHeading(pages, QStringLiteral("Профиль каскада"));
    const double width = pages.width();
    const double height = std::min(pages.roomLeft(), width * 1.2);
    const QSize sceneSize(1200, int(1200 * height / width));
    const std::unique_ptr<QGraphicsScene> scene =
        chart::profileScene(chart::cascadeProfile(report.run),
                            QString::fromStdString(chart::profileCaption(report.run.model, report.fields)), sceneSize);
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
    ReportPages pages(device, QStringLiteral("Kaskad %1 · %2, расчёт %3")
                                  .arg(QStringLiteral(KASKAD_VERSION), toQString(modelCaption(report.run.model)))
                                  .arg(report.number));
    drawTitle(pages, report);
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(a4Layout());
        writer.setResolution(600);
        writer.setTitle(reportTitle(report));
        writer.setCreator(QStringLiteral("Kaskad " KASKAD_VERSION));
        paintRunReport(writer, report);
    }
    return bytes;
}

void saveRunReport(QWidget* parent, const RunReport& report)
{
    const std::optional<ChosenFile> chosen =
        chooseFile(parent, {true,
                            QStringLiteral("Сохранить отчёт"),
                            {{QStringLiteral("Документ PDF (*.pdf)"), QStringLiteral("pdf")}},
                            QStringLiteral("отчёт-расчёт-%1").arg(report.number)});
    if (!chosen)
        return;
    writeWholeFile(chosen->path, runReportPdf(report));
}

void printRunReport(QWidget* parent, const RunReport& report)
{
    if (QPrinterInfo::availablePrinters().isEmpty())
        throw std::runtime_error("Принтер не найден: отчёт можно сохранить в PDF (Ctrl+P).");
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(a4Layout());
    printer.setDocName(reportTitle(report));
    printer.setCreator(QStringLiteral("Kaskad " KASKAD_VERSION));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Печать отчёта"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    paintRunReport(printer, report);
}

} // namespace kaskad::ui
