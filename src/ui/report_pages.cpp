// The reports' pages and their way to a PDF file or a printer.
#include "ui/report_pages.h"

#include "kaskad/version.h"
#include "ui/user_files.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <stdexcept>

namespace kaskad::ui::report {

namespace {

// The footer's room at the foot of every page, in millimetres.
constexpr double kFooterRoom = 9;

QPageLayout a4Layout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 14, 16, 12),
                       QPageLayout::Millimeter);
}

void drawRow(Pages& pages, const Table& table, double height, const std::function<QString(std::size_t)>& text,
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

} // namespace

QFont reportFont(double points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

Pages::Pages(QPagedPaintDevice& device, QString footer) : device_(device), footer_(std::move(footer))
{
    if (!painter_.begin(&device))
        throw std::runtime_error("Не удалось начать вывод отчёта.");
    unit_ = device.logicalDpiX() / 25.4;
    width_ = device.width() / unit_;
    height_ = device.height() / unit_ - kFooterRoom;
    drawFooter();
}

Pages::~Pages()
{
    if (painter_.isActive())
        painter_.end();
}

void Pages::finish()
{
    if (!painter_.end())
        throw std::runtime_error("Не удалось завершить вывод отчёта.");
}

void Pages::ensureRoom(double millimetres)
{
    if (y > 0 && roomLeft() < millimetres)
        newPage();
}

void Pages::newPage()
{
    if (!device_.newPage())
        throw std::runtime_error("Не удалось начать новую страницу отчёта.");
    ++page_;
    y = 0;
    drawFooter();
}

QRectF Pages::toDevice(const QRectF& millimetres) const
{
    return {millimetres.x() * unit_, millimetres.y() * unit_, millimetres.width() * unit_,
            millimetres.height() * unit_};
}

double Pages::lineHeight(const QFont& font) const { return QFontMetricsF(font, &device_).height() / unit_; }

double Pages::textWidth(const QFont& font, const QString& text) const
{
    return QFontMetricsF(font, &device_).horizontalAdvance(text) / unit_;
}

double Pages::wrappedHeight(const QFont& font, double width, const QString& text) const
{
    return QFontMetricsF(font, &device_)
               .boundingRect(QRectF(0, 0, width * unit_, 1e6), Qt::TextWordWrap, text)
               .height() /
           unit_;
}

void Pages::text(const QRectF& at, const QString& text, const QFont& font, const QColor& colour, int flags)
{
    painter_.setFont(font);
    painter_.setPen(colour);
    painter_.drawText(toDevice(at), flags, text);
}

void Pages::fill(const QRectF& at, const QColor& colour) { painter_.fillRect(toDevice(at), colour); }

void Pages::rule(double atY, const QColor& colour, double thickness)
{
    fill(QRectF(0, atY - thickness / 2, width_, thickness), colour);
}

void Pages::drawFooter()
{
    const QFont font = reportFont(7.5);
    const QRectF line(0, height_ + kFooterRoom - lineHeight(font), width_, lineHeight(font));
    rule(line.top() - 1, kRule);
    text(line, footer_, font, kMuted);
    text(line, QStringLiteral("Страница %1").arg(page_), font, kMuted, Qt::AlignRight | Qt::AlignVCenter);
}

void drawTable(Pages& pages, const Table& table)
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

void sectionHeading(Pages& pages, const QString& title)
{
    const QFont font = reportFont(11.5, true);
    const double height = pages.lineHeight(font);
    pages.ensureRoom(height * 4);
    pages.text(QRectF(0, pages.y, pages.width(), height), title, font, kInk);
    pages.y += height + 0.8;
    pages.rule(pages.y, kInk, 0.35);
    pages.y += 2;
}

void paragraph(Pages& pages, const QString& text, const QFont& font, const QColor& colour)
{
    const double height = pages.wrappedHeight(font, pages.width(), text);
    pages.ensureRoom(height);
    pages.text(QRectF(0, pages.y, pages.width(), height), text, font, colour,
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap);
    pages.y += height + 1.5;
}

void drawTitle(Pages& pages, const QString& title, const QString& subtitle, const QDateTime& madeAt)
{
    const auto line = [&](const QString& text, const QFont& font, const QColor& colour) {
        const double height = pages.lineHeight(font);
        pages.text(QRectF(0, pages.y, pages.width(), height), text, font, colour);
        pages.y += height + 0.8;
    };
    line(title, reportFont(17, true), kInk);
    line(subtitle, reportFont(12), kInk);
    line(QStringLiteral("Составлен %1 · Kaskad %2")
             .arg(madeAt.toString(QStringLiteral("dd.MM.yyyy HH:mm")), QStringLiteral(KASKAD_VERSION)),
         reportFont(8.5), kMuted);
    pages.y += 5;
}

QString widestNumber() { return QStringLiteral("-8.88888888888888E-88"); }

std::size_t numbersPerTable(const Pages& pages, double firstWidth, double numberWidth, std::size_t count)
{
    for (std::size_t tables = 1; tables < count; ++tables) {
        const std::size_t each = (count + tables - 1) / tables;
        if (firstWidth + double(each) * numberWidth <= pages.width())
            return each;
    }
    return 1;
}

QByteArray reportPdf(const QString& title, const PaintReport& paint)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(a4Layout());
        writer.setResolution(600);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Kaskad " KASKAD_VERSION));
        paint(writer);
    }
    return bytes;
}

void saveReportPdf(QWidget* parent, const QString& suggestedName, const QString& title, const PaintReport& paint)
{
    const std::optional<ChosenFile> chosen =
        chooseFile(parent, {true,
                            QStringLiteral("Сохранить отчёт"),
                            {{QStringLiteral("Документ PDF (*.pdf)"), QStringLiteral("pdf")}},
                            suggestedName});
    if (!chosen)
        return;
    writeWholeFile(chosen->path, reportPdf(title, paint));
}

void printReport(QWidget* parent, const QString& title, const PaintReport& paint)
{
    if (QPrinterInfo::availablePrinters().isEmpty())
        throw std::runtime_error("Принтер не найден: отчёт можно сохранить в PDF (Ctrl+P).");
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(a4Layout());
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("Kaskad " KASKAD_VERSION));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Печать отчёта"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    paint(printer);
}

} // namespace kaskad::ui::report
