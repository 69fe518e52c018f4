// Making the results workbook with libxlsxwriter in a private temporary file.
#include "formats/xlsx_workbook.h"

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
