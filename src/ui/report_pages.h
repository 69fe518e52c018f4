// What the reports share: A4 pages painted with QPainter in millimetres, the
// footer on every page, headings, paragraphs and tables whose header comes
// again on every page they continue on; and a report's way out, a PDF under
// the name the save dialog is given or a printer chosen in the print dialog.
#pragma once

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QWidget;

namespace kaskad::ui::report {

inline const QColor kInk(0x1f, 0x23, 0x28);
inline const QColor kMuted(0x5f, 0x66, 0x6d);
inline const QColor kRule(0xa8, 0xb0, 0xb8);
inline const QColor kHeaderFill(0xdf, 0xe6, 0xee);
inline const QColor kStripeFill(0xf3, 0xf5, 0xf8);
inline const QColor kMet(0x1b, 0x6e, 0x20);
inline const QColor kMissed(0xb0, 0x1c, 0x1c);

// DejaVu Sans of `points`, without ligatures: "fl" stays two letters for
// whoever searches or copies the report's text.
QFont reportFont(double points, bool bold = false);

// The painter and the page under way. Positions are millimetres from the top
// left of the page's printable area, turned into the device's units as drawn;
// `y` is where the next line goes.
class Pages {
public:
    // `footer` goes at the foot of every page, left of its number.
    Pages(QPagedPaintDevice& device, QString footer);
    ~Pages();
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;

    // Ends the document; raises when the device could not complete it.
    void finish();

    double width() const { return width_; }
    double roomLeft() const { return height_ - y; }
    // A new page when fewer than `millimetres` are left on this one.
    void ensureRoom(double millimetres);
    void newPage();

    QRectF toDevice(const QRectF& millimetres) const;
    double lineHeight(const QFont& font) const;
    double textWidth(const QFont& font, const QString& text) const;
    // The height `text` takes wrapped to `width`.
    double wrappedHeight(const QFont& font, double width, const QString& text) const;

    void text(const QRectF& at, const QString& text, const QFont& font, const QColor& colour,
              int flags = Qt::AlignLeft | Qt::AlignVCenter);
    void fill(const QRectF& at, const QColor& colour);
    void rule(double atY, const QColor& colour, double thickness = 0.25);
    QPainter& painter() { return painter_; }

    double y = 0;

private:
    void drawFooter();

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

void drawTable(Pages& pages, const Table& table);
void sectionHeading(Pages& pages, const QString& title);
// A paragraph wrapped to the page's width.
void paragraph(Pages& pages, const QString& text, const QFont& font, const QColor& colour);
// The report's title, the line under it naming what it reports, and when it
// was made by which version of the program.
void drawTitle(Pages& pages, const QString& title, const QString& subtitle, const QDateTime& madeAt);

// The widest text a pane prints, for columns that must hold any value.
QString widestNumber();
// How many number columns share a table beside its first column: as many of
// `count` as fit the page's width side by side, in groups of equal size.
std::size_t numbersPerTable(const Pages& pages, double firstWidth, double numberWidth, std::size_t count);

// What paints a report's pages on a device whose page layout is set.
using PaintReport = std::function<void(QPagedPaintDevice& device)>;

// The report as the bytes of a PDF document on A4, its fonts embedded.
QByteArray reportPdf(const QString& title, const PaintReport& paint);
// Asks for the PDF's name, proposing `suggestedName`, and writes it whole,
// or reports why it could not.
void saveReportPdf(QWidget* parent, const QString& suggestedName, const QString& title, const PaintReport& paint);
// Asks for a printer in the print dialog and prints the report on it; raises
// when the system has none.
void printReport(QWidget* parent, const QString& title, const PaintReport& paint);

} // namespace kaskad::ui::report
