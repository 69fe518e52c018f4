// kaskad-cli's CSV written from Python: a plan's points into a file, and a
// table given column by column as text, both by the formats library's writers.
#include "formats/csv.h"
#include "formats/sweep_output.h"
#include "register.h"
#include "shared.h"

#include <pybind11/stl.h>

#include <cerrno>
#include <fstream>
#include <span>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// Writes the points into the file at `path` by kaskad-cli's sweep driver;
// the errno of a failed write, 0 when none failed. Ctrl+C stops the sweep
// with the rows written whole and the file closed.
int writeCsvFile(const formats::SweepOutputOptions& options, const study::SweepPlan& plan, study::PointRange points,
                 unsigned jobs, const std::string& path, SignalCheck& signals)
{
    struct WriteFailed {};
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const auto checkFile = [&file] {
        if (!file)
            throw WriteFailed{};
    };
    formats::SweepWriter writer(file, plan, options);
    const Checkpoint checkpoint = std::ref(signals);
    try {
        checkFile();
        formats::writeSweep(writer, points,
                            {jobs, signals.token(), twentyTimesASecond(checkpoint, points.size()), checkFile});
        file.close();
        checkFile();
    } catch (const WriteFailed&) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

// The points [begin, end) of a plan written as kaskad-cli's CSV into the
// file `path`, by the same writer. A failed write raises OSError.
void writeSweepCsv(const study::SweepPlan& plan, std::size_t begin, std::size_t end, bool outlet, bool criterion,
                   bool onlyMeeting, std::optional<unsigned> jobs, bool header, const std::string& path)
{
    checkChunk(plan, begin, end);
    formats::SweepOutputOptions options;
    options.rows = rowOptions(outlet, criterion, onlyMeeting);
    options.header = header;
    SignalCheck signals;
    int writeError = 0;
    {
        py::gil_scoped_release released;
        writeError = writeCsvFile(options, plan, {begin, end}, threadsOf(jobs), path, signals);
    }
    if (writeError != 0) {
        errno = writeError;
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
        throw py::error_already_set();
    }
    signals.raisePending();
}

// The CSV text of a frame's columns, each given as ("number", float64
// values), ("integer", int64 values, missing flags), ("boolean", int8 values)
// or ("text", texts, int32 codes): the cells written by the formats library,
// as kaskad-cli writes them.
py::str csvText(const std::vector<std::string>& names, const py::list& columns, std::size_t rows)
{
    // The arrays and texts the cells point into, alive until the text is made.
    std::vector<py::array> arrays;
    std::vector<std::vector<std::string>> texts;
    texts.reserve(columns.size());
    const auto hold = [&arrays]<class Value>(py::handle values, Value) {
        auto array = py::array_t<Value, py::array::c_style | py::array::forcecast>::ensure(values);
        if (!array)
            throw py::error_already_set();
        if (array.ndim() != 1)
            throw py::value_error("a CSV column is one-dimensional");
        arrays.push_back(array);
        return std::span<const Value>(array.data(), static_cast<std::size_t>(array.size()));
    };
    std::vector<formats::CsvColumn> cells;
    for (const py::handle item : columns) {
        const auto column = py::reinterpret_borrow<py::tuple>(item);
        const std::string kind = column[0].cast<std::string>();
        if (kind == "number")
            cells.emplace_back(formats::CsvNumbers{hold(column[1], double())});
        else if (kind == "integer")
            cells.emplace_back(formats::CsvIntegers{hold(column[1], std::int64_t()), hold(column[2], std::uint8_t())});
        else if (kind == "boolean")
            cells.emplace_back(formats::CsvBooleans{hold(column[1], std::int8_t())});
        else if (kind == "text")
            cells.emplace_back(formats::CsvTexts{texts.emplace_back(column[1].cast<std::vector<std::string>>()),
                                                 hold(column[2], std::int32_t())});
        else
            throw py::value_error("no CSV column kind '" + kind + "'");
    }
    std::string text;
    {
        py::gil_scoped_release released;
        text = formats::csvOfColumns(names, cells, rows);
    }
    return py::str(text);
}

} // namespace

void registerCsv(py::module_& m)
{
    m.def("write_sweep_csv", &writeSweepCsv, py::arg("plan"), py::arg("begin"), py::arg("end"), py::arg("outlet"),
          py::arg("criterion"), py::arg("only_meeting"), py::arg("jobs"), py::arg("header"), py::arg("path"),
          "Writes the points begin..end-1 of a plan into a file as kaskad-cli sweep --format csv does.");
    m.def("csv_text", &csvText, py::arg("names"), py::arg("columns"), py::arg("rows"),
          "The CSV bytes of a table given column by column, as kaskad-cli sweep --format csv writes them.");
}

} // namespace kaskad::python
