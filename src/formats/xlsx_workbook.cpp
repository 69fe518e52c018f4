// Making the results workbook with libxlsxwriter in a private temporary file.
#include "formats/xlsx_workbook.h"

#include "study/point_rows.h"
#include "formats/file_problem.h"

#include <xlsxwriter.h>

#include <cerrno>
#include <clocale>
#include <cstring>
#include <filesystem>
#include <fstream>
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

// The header's names: "Расчёт", a reactor's columns, then the error's.
std::vector<std::string> headerNames()
{
    std::vector<std::string> names = {"Расчёт"};
    for (const study::Column& column : study::reactorColumns())
        names.push_back(column.name);
    for (const study::Column& column : study::errorColumns())
        names.push_back(column.name);
    return names;
}

// The run's error kind and message after the quantities, on each of a
// failed run's rows.
void writeError(lxw_worksheet* sheet, lxw_row_t line, lxw_col_t column, const RunRecord& run)
{
    if (!run.error)
        return;
    check(worksheet_write_string(sheet, line, column, run.error->kind.c_str(), nullptr));
    check(worksheet_write_string(sheet, line, column + 1, run.error->message.c_str(), nullptr));
}

void writeRow(lxw_worksheet* sheet, lxw_row_t line, const ResultsTable& table, std::size_t row)
{
    check(worksheet_write_number(sheet, line, 0, double(table.runNumber(row)), nullptr));
    if (const std::int32_t reactor = table.reactorNumber(row); reactor != 0)
        check(worksheet_write_number(sheet, line, 1, reactor, nullptr));
    constexpr lxw_col_t kFirstValue = 2;
    writeError(sheet, line, kFirstValue + lxw_col_t(kStoreOrder.size()), table.runOf(row));
    const ReactorResult* values = table.reactorOf(row);
    if (!values)
        return;
    lxw_col_t column = kFirstValue;
    for (Pane pane : kStoreOrder) {
        if (values->has(pane))
            check(worksheet_write_number(sheet, line, column, values->value(pane), nullptr));
        ++column;
    }
}

void writeSheet(lxw_workbook* workbook, const ResultsTable& table)
{
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Результаты");
    lxw_format* bold = workbook_add_format(workbook);
    if (!sheet || !bold)
        throw FileProblem("libxlsxwriter: out of memory");
    format_set_bold(bold);
    const std::vector<std::string> names = headerNames();
    for (std::size_t column = 0; column < names.size(); ++column)
        check(worksheet_write_string(sheet, 0, lxw_col_t(column), names[column].c_str(), bold));
    check(worksheet_set_column(sheet, 0, 1, 9, nullptr));
    // The values and the error's kind, then its message, wider.
    const lxw_col_t message = lxw_col_t(names.size() - 1);
    check(worksheet_set_column(sheet, 2, message - 1, 20, nullptr));
    check(worksheet_set_column(sheet, message, message, 50, nullptr));
    worksheet_freeze_panes(sheet, 1, 0);
    for (std::size_t row = 0; row < table.rowCount(); ++row)
        writeRow(sheet, lxw_row_t(row + 1), table, row);
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (!in.good() && !in.eof())
        throw FileProblem("cannot read the temporary file back");
    return bytes;
}

} // namespace

std::string xlsxWorkbook(const ResultsTable& table)
{
    const TemporaryFile file;
    {
        const CNumericLocale numbers;
        lxw_workbook* workbook = workbook_new(file.path().c_str());
        if (!workbook)
            throw FileProblem("libxlsxwriter: cannot create the workbook");
        try {
            writeSheet(workbook, table);
        } catch (...) {
            workbook_close(workbook);
            throw;
        }
        check(workbook_close(workbook));
    }
    return fileBytes(file.path());
}

} // namespace kaskad::formats

namespace kaskad::formats {

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
    const TemporaryFile file;
    {
        const CNumericLocale numbers;
        lxw_workbook* workbook = workbook_new(file.path().c_str());
        if (!workbook)
            throw FileProblem("libxlsxwriter: cannot create the workbook");
        try {
            writeSweepSheet(workbook, columns, eachPoint);
        } catch (...) {
            workbook_close(workbook);
            throw;
        }
        check(workbook_close(workbook));
    }
    return fileBytes(file.path());
}

} // namespace kaskad::formats
