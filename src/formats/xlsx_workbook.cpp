// Making the results workbook with libxlsxwriter in a private temporary file.
#include "formats/xlsx_workbook.h"

#include "formats/file_problem.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <locale.h>
#include <unistd.h>

namespace kaskad::formats {

namespace {

// libxlsxwriter prints numbers with snprintf, which follows LC_NUMERIC: a
// locale with a decimal comma would put "1,5" into the sheet's XML. The
// "C" numeric locale holds for this thread while the workbook is made.
class CNumericLocale {
public:
    CNumericLocale() : c_(newlocale(LC_NUMERIC_MASK, "C", locale_t(0)))
    {
        if (c_ == locale_t(0))
            throw FileProblem(std::string("no C locale: ") + std::strerror(errno));
        previous_ = uselocale(c_);
    }
    ~CNumericLocale()
    {
        uselocale(previous_);
        freelocale(c_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t c_;
    locale_t previous_;
};

// A file of our own in the temporary directory, removed at the end.
class TemporaryFile {
public:
    TemporaryFile()
    {
        path_ = (std::filesystem::temp_directory_path() / "kaskad-XXXXXX.xlsx").string();
        const int fd = mkstemps(path_.data(), 5);
        if (fd < 0)
            throw FileProblem("cannot create a temporary file: " + std::string(std::strerror(errno)));
        ::close(fd);
    }
    ~TemporaryFile() { std::filesystem::remove(path_, ignored_); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::error_code ignored_;
};

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw FileProblem(std::string("libxlsxwriter: ") + lxw_strerror(error));
}

// A cell of a row: numbers for the run, the reactor and the values, text
// for the field texts and the error; nothing where the table shows nothing.
void writeCell(lxw_worksheet* sheet, lxw_row_t line, const ResultsTable& table, std::size_t row, int column)
{
    const lxw_col_t at = lxw_col_t(column);
    if (column == kRunColumn)
        check(worksheet_write_number(sheet, line, at, double(table.runNumber(row)), nullptr));
    else if (column == kReactorColumn) {
        if (const std::int32_t reactor = table.reactorNumber(row); reactor != 0)
            check(worksheet_write_number(sheet, line, at, reactor, nullptr));
    } else if (isValueColumn(column)) {
        const ReactorResult* values = table.reactorOf(row);
        if (values && values->has(paneOfColumn(column)))
            check(worksheet_write_number(sheet, line, at, values->value(paneOfColumn(column)), nullptr));
    } else if (const std::string text = table.cellText(row, column, '.'); !text.empty())
        check(worksheet_write_string(sheet, line, at, text.c_str(), nullptr));
}

// Two header rows: the desktop program's names, then kaskad-cli's.
void writeHeader(lxw_workbook* workbook, lxw_worksheet* sheet, const ResultsTable& table)
{
    lxw_format* bold = workbook_add_format(workbook);
    lxw_format* italic = workbook_add_format(workbook);
    if (!bold || !italic)
        throw FileProblem("libxlsxwriter: out of memory");
    format_set_bold(bold);
    format_set_italic(italic);
    for (int column = 0; column < kTableColumnCount; ++column) {
        const std::string name(tableColumnName(table.model(), column));
        check(worksheet_write_string(sheet, 0, lxw_col_t(column), name.c_str(), bold));
        check(worksheet_write_string(sheet, 1, lxw_col_t(column), commandLineColumnName(table.model(), column).c_str(),
                                     italic));
    }
}

void writeSheet(lxw_workbook* workbook, const ResultsTable& table)
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Результаты");
    if (!sheet)
        throw FileProblem("libxlsxwriter: out of memory");
    writeHeader(workbook, sheet, table);
    check(worksheet_set_column(sheet, kRunColumn, kReactorColumn, 9, nullptr));
    // The values and the error's kind, then its message, wider.
    check(worksheet_set_column(sheet, kFirstValueColumn, kErrorKindColumn, 20, nullptr));
    check(worksheet_set_column(sheet, kErrorMessageColumn, kErrorMessageColumn, 50, nullptr));
    worksheet_freeze_panes(sheet, 2, 0);
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        for (int column = 0; column < kTableColumnCount; ++column)
            writeCell(sheet, lxw_row_t(row + 2), table, row, column);
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (!in.good() && !in.eof())
        throw FileProblem("cannot read the temporary file back");
    return bytes;
}

// The bytes of a workbook whose sheets `writeSheets` writes, made in a
// temporary file with C's numbers; the workbook is closed however writing ends.
std::string workbookBytes(const std::function<void(lxw_workbook*)>& writeSheets)
{
    const TemporaryFile file;
    {
        const CNumericLocale numbers;
        lxw_workbook* workbook = workbook_new(file.path().c_str());
        if (!workbook)
            throw FileProblem("libxlsxwriter: cannot create the workbook");
        try {
            writeSheets(workbook);
        } catch (...) {
            workbook_close(workbook);
            throw;
        }
        check(workbook_close(workbook));
    }
    return fileBytes(file.path());
}

} // namespace

std::string xlsxWorkbook(const ResultsTable& table)
{
    return workbookBytes([&](lxw_workbook* workbook) { writeSheet(workbook, table); });
}

namespace {

void writeSweepCell(lxw_worksheet* sheet, lxw_row_t line, lxw_col_t column, const study::Column& of,
                    const study::PointRows& point, std::size_t row)
{
    const ReactorResult* reactor = point.reactor(row);
    const RunError* error = point.error();
    switch (of.kind) {
    case study::ColumnKind::field:
        check(worksheet_write_string(sheet, line, column, point.fields[of.field].c_str(), nullptr));
        break;
    case study::ColumnKind::reactor:
        if (reactor)
            check(worksheet_write_number(sheet, line, column, reactor->reactor(), nullptr));
        break;
    case study::ColumnKind::quantity:
        if (reactor && reactor->has(of.pane))
            check(worksheet_write_number(sheet, line, column, reactor->value(of.pane), nullptr));
        break;
    case study::ColumnKind::errorKind:
    case study::ColumnKind::errorMessage:
        if (error)
            check(worksheet_write_string(
                sheet, line, column, (of.kind == study::ColumnKind::errorKind ? error->kind : error->message).c_str(),
                nullptr));
        break;
    case study::ColumnKind::bound:
        if (point.criterion && !point.criterion->bounds.empty())
            check(worksheet_write_boolean(sheet, line, column, point.criterion->bounds[of.bound], nullptr));
        break;
    case study::ColumnKind::meetsCriterion:
        if (point.criterion)
            check(worksheet_write_boolean(sheet, line, column, point.criterion->meets, nullptr));
        break;
    case study::ColumnKind::criterionMargin:
        if (point.criterion && point.criterion->margin)
            check(worksheet_write_number(sheet, line, column, *point.criterion->margin, nullptr));
        break;
    }
}

void writeSweepSheet(lxw_workbook* workbook, const std::vector<study::Column>& columns,
                     const SweepPointVisitor& eachPoint)
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Исследование");
    lxw_format* bold = workbook_add_format(workbook);
    if (!sheet || !bold)
        throw FileProblem("libxlsxwriter: out of memory");
    format_set_bold(bold);
    for (std::size_t column = 0; column < columns.size(); ++column)
        check(worksheet_write_string(sheet, 0, lxw_col_t(column), columns[column].name.c_str(), bold));
    check(worksheet_set_column(sheet, 0, lxw_col_t(columns.size() - 1), 14, nullptr));
    worksheet_freeze_panes(sheet, 1, 0);
    lxw_row_t line = 1;
    eachPoint([&](const study::PointRows& point) {
        for (std::size_t row = 0; row < point.rowCount(); ++row, ++line) {
            if (line >= LXW_ROW_MAX)
                throw FileProblem("в листе Excel не больше " + std::to_string(LXW_ROW_MAX) + " строк");
            for (std::size_t column = 0; column < columns.size(); ++column)
                writeSweepCell(sheet, line, lxw_col_t(column), columns[column], point, row);
        }
    });
}

} // namespace

std::string sweepXlsxWorkbook(const std::vector<study::Column>& columns, const SweepPointVisitor& eachPoint)
{
    return workbookBytes([&](lxw_workbook* workbook) { writeSweepSheet(workbook, columns, eachPoint); });
}

} // namespace kaskad::formats
