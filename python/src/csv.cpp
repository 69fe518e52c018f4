// kaskad-cli's CSV written from Python: a plan's points, and a table given
// column by column, both by the formats library's writers, into a file, a
// Python file object, or (for a table) a text.
#include "formats/csv.h"
#include "formats/sweep_output.h"
#include "register.h"
#include "shared.h"

#include <pybind11/stl.h>

#include <cerrno>
#include <fstream>
#include <memory>
#include <span>
#include <streambuf>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// A stream buffer that hands what is written to a Python file object's
// write(), whole lines a block at a time: as str for a text file, else as
// bytes. Written from the thread that owns the GIL, with the GIL released.
class PythonFileBuffer : public std::streambuf {
public:
    PythonFileBuffer(const py::object& file, bool text) : write_(file.attr("write")), text_(text)
    {
        block_.resize(kBlockBytes);
        setp(block_.data(), block_.data() + block_.size());
    }
    PythonFileBuffer(const PythonFileBuffer&) = delete;
    PythonFileBuffer& operator=(const PythonFileBuffer&) = delete;
    ~PythonFileBuffer() override = default;

    // With the GIL: raises what write() raised, if it did.
    void raisePending() const
    {
        if (raised_)
            std::rethrow_exception(raised_);
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!handOver(false))
            return traits_type::eof();
        if (pptr() == epptr()) {
            // A line longer than the block: the block grows to hold it.
            const std::size_t held = static_cast<std::size_t>(pptr() - pbase());
            block_.resize(block_.size() * 2);
            setp(block_.data(), block_.data() + block_.size());
            pbump(static_cast<int>(held));
        }
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            return sputc(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    int sync() override { return handOver(true) ? 0 : -1; }

private:
    static constexpr std::size_t kBlockBytes = std::size_t(1) << 20;

    // Hands over the whole lines held (everything with `all`), keeping the
    // rest; false once write() has raised.
    bool handOver(bool all)
    {
        if (raised_)
            return false;
        const std::string_view held(pbase(), static_cast<std::size_t>(pptr() - pbase()));
        const std::size_t end = all ? held.size() : held.rfind('\n') + 1;
        if (end == 0)
            return true;
        try {
            const py::gil_scoped_acquire gil;
            if (text_)
                write_(py::str(held.data(), end));
            else
                write_(py::bytes(held.data(), end));
        } catch (py::error_already_set&) {
            raised_ = std::current_exception();
            return false;
        }
        const std::string rest(held.substr(end));
        std::copy(rest.begin(), rest.end(), block_.data());
        setp(block_.data(), block_.data() + block_.size());
        pbump(static_cast<int>(rest.size()));
        return true;
    }

    py::object write_;
    bool text_;
    std::vector<char> block_;
    std::exception_ptr raised_;
};

// Where a CSV goes: a file named by a str path (written from its start), or
// a Python file object, text or binary.
class CsvTarget {
public:
    CsvTarget(const py::object& target, bool text)
    {
        if (py::isinstance<py::str>(target)) {
            path_ = target.cast<std::string>();
            file_ = std::make_unique<std::ofstream>(path_, std::ios::binary | std::ios::trunc);
            stream_ = file_.get();
        } else {
            buffer_ = std::make_unique<PythonFileBuffer>(target, text);
            bufferStream_ = std::make_unique<std::ostream>(buffer_.get());
            stream_ = bufferStream_.get();
        }
    }

    std::ostream& stream() { return *stream_; }

    // Without the GIL: flushes and closes; the errno of a failed file write,
    // 0 when none failed.
    int finish()
    {
        stream_->flush();
        if (file_)
            file_->close();
        if (*stream_)
            return 0;
        return file_ && errno != 0 ? errno : EIO;
    }

    // With the GIL: raises the failure of a write: OSError naming the file,
    // or what the file object's write() raised.
    void raiseFailure(int writeError) const
    {
        if (writeError == 0)
            return;
        if (buffer_)
            buffer_->raisePending();
        errno = writeError;
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path_.empty() ? nullptr : path_.c_str());
        throw py::error_already_set();
    }

private:
    std::string path_;
    std::unique_ptr<std::ofstream> file_;
    std::unique_ptr<PythonFileBuffer> buffer_;
    std::unique_ptr<std::ostream> bufferStream_;
    std::ostream* stream_ = nullptr;
};

// Writes the points into `out` by kaskad-cli's sweep driver; how many were
// written. Ctrl+C stops the sweep with the rows written whole. A failed
// write ends it: the target reports it.
std::size_t writeSweepPoints(const formats::SweepOutputOptions& options, const study::SweepPlan& plan,
                             study::PointRange points, unsigned jobs, std::ostream& out, SignalCheck& signals)
{
    struct WriteFailed {};
    const auto checkOutput = [&out] {
        if (!out)
            throw WriteFailed{};
    };
    formats::SweepWriter writer(out, plan, options);
    const Checkpoint checkpoint = std::ref(signals);
    try {
        checkOutput();
        return formats::writeSweep(writer, points,
                                   {jobs, signals.token(), twentyTimesASecond(checkpoint, points.size()), checkOutput});
    } catch (const WriteFailed&) {
        return 0;
    }
}

// The points [begin, end) of a plan written as kaskad-cli's CSV, by the same
// writer, into `target`: a file's path or a Python file object (`text`: one
// that takes str), only the `best` points of the largest margins when not
// 0; `progress`, when not None, told the points done. A failed write raises OSError or what the file object
// raised; Ctrl+C raises kaskad.Interrupted once the rows begun are written.
std::size_t writeSweepCsv(const study::SweepPlan& plan, std::size_t begin, std::size_t end, bool outlet, bool criterion,
                          bool onlyMeeting, std::optional<unsigned> jobs, bool header, const py::object& target,
                          bool text, std::size_t best, const py::object& progress)
{
    checkChunk(plan, begin, end);
    formats::SweepOutputOptions options;
    options.rows = rowOptions(outlet, criterion, onlyMeeting);
    options.rows.best = best;
    options.header = header;
    SignalCheck signals(progress, end - begin);
    CsvTarget csv(target, text);
    std::size_t written = 0;
    int writeError = 0;
    {
        py::gil_scoped_release released;
        written = writeSweepPoints(options, plan, {begin, end}, threadsOf(jobs), csv.stream(), signals);
        writeError = csv.finish();
    }
    csv.raiseFailure(writeError);
    if (signals.interrupted())
        signals.raiseInterrupted(written);
    return written;
}

// The cells of a frame's columns, each given as ("number", float64 values),
// ("integer", int64 values, missing flags), ("boolean", int8 values) or
// ("text", texts, int32 codes), over arrays and texts held while they are
// written.
class CsvCells {
public:
    explicit CsvCells(const py::list& columns)
    {
        texts_.reserve(columns.size());
        for (const py::handle item : columns) {
            const auto column = py::reinterpret_borrow<py::tuple>(item);
            const std::string kind = column[0].cast<std::string>();
            if (kind == "number")
                cells_.emplace_back(formats::CsvNumbers{hold(column[1], double())});
            else if (kind == "integer")
                cells_.emplace_back(
                    formats::CsvIntegers{hold(column[1], std::int64_t()), hold(column[2], std::uint8_t())});
            else if (kind == "boolean")
                cells_.emplace_back(formats::CsvBooleans{hold(column[1], std::int8_t())});
            else if (kind == "text")
                cells_.emplace_back(formats::CsvTexts{texts_.emplace_back(column[1].cast<std::vector<std::string>>()),
                                                      hold(column[2], std::int32_t())});
            else
                throw py::value_error("no CSV column kind '" + kind + "'");
        }
    }

    std::span<const formats::CsvColumn> cells() const { return cells_; }

private:
    template <class Value>
    std::span<const Value> hold(py::handle values, Value)
    {
        auto array = py::array_t<Value, py::array::c_style | py::array::forcecast>::ensure(values);
        if (!array)
            throw py::error_already_set();
        if (array.ndim() != 1)
            throw py::value_error("a CSV column is one-dimensional");
        arrays_.push_back(array);
        return std::span<const Value>(array.data(), static_cast<std::size_t>(array.size()));
    }

    std::vector<py::array> arrays_;
    std::vector<std::vector<std::string>> texts_;
    std::vector<formats::CsvColumn> cells_;
};

// The CSV text of a frame's columns, as kaskad-cli writes them.
py::str csvText(const std::vector<std::string>& names, const py::list& columns, std::size_t rows)
{
    const CsvCells cells(columns);
    std::string text;
    {
        py::gil_scoped_release released;
        text = formats::csvOfColumns(names, cells.cells(), rows);
    }
    return py::str(text);
}

// The same lines written into `target` (a path or a Python file object) a
// block at a time.
void writeCsv(const std::vector<std::string>& names, const py::list& columns, std::size_t rows, bool header,
              const py::object& target, bool text)
{
    const CsvCells cells(columns);
    CsvTarget csv(target, text);
    int writeError = 0;
    {
        py::gil_scoped_release released;
        formats::writeCsvOfColumns(csv.stream(), names, cells.cells(), rows, header);
        writeError = csv.finish();
    }
    csv.raiseFailure(writeError);
}

} // namespace

void registerCsv(py::module_& m)
{
    m.def("write_sweep_csv", &writeSweepCsv, py::arg("plan"), py::arg("begin"), py::arg("end"), py::arg("outlet"),
          py::arg("criterion"), py::arg("only_meeting"), py::arg("jobs"), py::arg("header"), py::arg("target"),
          py::arg("text") = false, py::arg("best") = 0, py::arg("progress") = py::none(),
          "Writes the points begin..end-1 of a plan into a file (a path or a file object) as kaskad-cli sweep "
          "--format csv does; the points written.");
    m.def("csv_text", &csvText, py::arg("names"), py::arg("columns"), py::arg("rows"),
          "The CSV bytes of a table given column by column, as kaskad-cli sweep --format csv writes them.");
    m.def("write_csv", &writeCsv, py::arg("names"), py::arg("columns"), py::arg("rows"), py::arg("header"),
          py::arg("target"), py::arg("text") = false,
          "Writes the CSV of a table given column by column into a file (a path or a file object), a block at a "
          "time.");
}

} // namespace kaskad::python
