// The compiled part of the Python package kaskad: runs kept as values, a
// sweep's rows as arrays, the shard cut, the number formatter and CSV text.
#include "formats/csv.h"
#include "formats/sweep_output.h"
#include "model/criterion.h"
#include "model/run_record.h"
#include "numeric/utf8.h"
#include "study/point_rows.h"
#include "study/study_error.h"
#include "design.h"
#include "field_texts.h"
#include "sweep_columns.h"

#include <pybind11/pybind11.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <span>
#include <type_traits>
#include <variant>
#include <thread>

namespace py = pybind11;

namespace kaskad::python {

namespace {

DecimalSeparator separatorOf(const std::string& text)
{
    if (const std::optional<DecimalSeparator> separator = DecimalSeparator::fromText(text))
        return *separator;
    throw py::value_error("the decimal separator must be one character other than a digit, sign, e or blank, not '" +
                          text + "'");
}

Pane paneOf(const std::string& quantity)
{
    for (Pane pane : kStoreOrder)
        if (quantityName(pane) == quantity)
            return pane;
    throw py::key_error("no quantity '" + quantity + "': the quantities are y1..y6, GB, WB, ALFA, ALPE, t and P");
}

// A vector handed to numpy without a copy: the array owns it.
template <class T>
py::array_t<T> arrayOf(std::vector<T>&& values, std::vector<py::ssize_t> shape)
{
    auto* owned = new std::vector<T>(std::move(values));
    py::capsule owner(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return py::array_t<T>(shape, owned->data(), owner);
}

// The values of each quantity as one row of a (quantities, rows) array: a
// DataFrame takes its transpose as its block of float columns, uncopied.
py::array_t<double> quantityColumns(const std::array<std::vector<double>, kPaneCount>& values)
{
    const auto rows = static_cast<py::ssize_t>(values[0].size());
    py::array_t<double> block({static_cast<py::ssize_t>(kPaneCount), rows});
    for (std::size_t p = 0; p < values.size(); ++p)
        std::copy(values[p].begin(), values[p].end(), block.mutable_data(static_cast<py::ssize_t>(p)));
    return block;
}

py::object valueOrNone(const ReactorResult& reactor, Pane pane)
{
    return reactor.has(pane) ? py::object(py::float_(reactor.value(pane))) : py::object(py::none());
}

// The recorded run, as the Python Run wraps it.
struct Record {
    RunRecord run;
    DecimalSeparator separator;

    const ReactorResult* reactor(std::int32_t number) const
    {
        if (number < 1 || static_cast<std::size_t>(number) > run.reactors.size())
            return nullptr;
        return &run.reactors[static_cast<std::size_t>(number - 1)];
    }
};

Record runFields(const std::string& model, const FieldTexts& fields, const std::string& separatorText)
{
    const ModelKind kind = modelOf(model);
    const DecimalSeparator separator = separatorOf(separatorText);
    py::gil_scoped_release released;
    return Record{runRecorded(kind, fields, separator), separator};
}

py::object recordError(const Record& record)
{
    if (!record.run.error)
        return py::none();
    const RunError& error = *record.run.error;
    py::object reactor = error.reactor == 0 ? py::object(py::none()) : py::object(py::int_(error.reactor));
    py::object last = error.lastPane == 0 ? py::object(py::none()) : py::str(quantityName(Pane(error.lastPane)));
    return py::make_tuple(error.kind, error.message, reactor, last);
}

py::list recordReactors(const Record& record)
{
    py::list reactors;
    for (const ReactorResult& reactor : record.run.reactors) {
        py::tuple row(1 + kPaneCount);
        row[0] = reactor.reactor();
        for (std::size_t p = 0; p < kStoreOrder.size(); ++p)
            row[p + 1] = valueOrNone(reactor, kStoreOrder[p]);
        reactors.append(row);
    }
    return reactors;
}

py::object recordText(const Record& record, const std::string& quantity, std::int32_t number)
{
    const Pane pane = paneOf(quantity);
    const ReactorResult* reactor = record.reactor(number);
    if (!reactor || !reactor->has(pane))
        return py::none();
    return py::str(reactor->text(pane, record.separator));
}

study::RowOptions rowOptions(bool outlet, bool criterion, bool onlyMeeting)
{
    study::RowOptions options;
    options.outletOnly = outlet;
    options.criterion = criterion;
    options.onlyMeeting = onlyMeeting;
    return options;
}

// Texts for Python, which takes only well-formed UTF-8.
std::vector<std::string> pythonTexts(const std::vector<std::string>& texts)
{
    std::vector<std::string> valid;
    valid.reserve(texts.size());
    for (const std::string& text : texts)
        valid.push_back(withValidUtf8(text));
    return valid;
}

unsigned threadsOf(std::optional<unsigned> jobs)
{
    return jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
}

// The checkpoint of a run of points: Ctrl+C stops it, and `progress`, when
// not None, is told the points done of `total`.
Checkpoint pythonCheckpoint(const py::object& progress, std::size_t total)
{
    return [progress, total](std::size_t done) {
        py::gil_scoped_acquire held;
        if (PyErr_CheckSignals() != 0)
            throw py::error_already_set();
        if (!progress.is_none())
            progress(done, total);
    };
}

// The columns of the rows as arrays: "columns" the names kaskad-cli gives
// them, "varying" per varying field (name, texts, each row's text index),
// then reactor, values, error_kind, error_message and, with the criterion,
// bounds, meets and margin.
py::dict rowArrays(const study::SweepRows& rows, SweepColumns&& columns,
                   std::vector<std::pair<std::string, std::vector<std::string>>> varying)
{
    const auto rowCount = static_cast<py::ssize_t>(columns.rows());
    py::dict arrays;
    std::vector<std::string> names;
    for (const study::Column& column : rows.columns())
        names.push_back(column.name);
    arrays["columns"] = names;
    py::list fields;
    for (std::size_t v = 0; v < varying.size(); ++v)
        fields.append(py::make_tuple(varying[v].first, pythonTexts(varying[v].second),
                                     arrayOf(std::move(columns.textIndex[v]), {rowCount})));
    arrays["varying"] = fields;
    arrays["reactor"] = arrayOf(std::move(columns.reactor), {rowCount});
    arrays["values"] = quantityColumns(columns.values);
    arrays["error_kind"] =
        py::make_tuple(pythonTexts(columns.errorKinds.texts()), arrayOf(std::move(columns.errorKind), {rowCount}));
    arrays["error_message"] = py::make_tuple(pythonTexts(columns.errorMessages.texts()),
                                             arrayOf(std::move(columns.errorMessage), {rowCount}));
    if (rows.options().withCriterion()) {
        const auto bounds = static_cast<py::ssize_t>(criterionBounds(rows.model()).size());
        arrays["bounds"] = arrayOf(std::move(columns.bounds), {rowCount, bounds});
        arrays["meets"] = arrayOf(std::move(columns.meets), {rowCount});
        arrays["margin"] = arrayOf(std::move(columns.margin), {rowCount});
    }
    return arrays;
}

void checkChunk(const study::SweepPlan& plan, std::size_t begin, std::size_t end)
{
    if (begin > end || end > plan.pointCount())
        throw py::index_error("the points must lie within the sweep's " + std::to_string(plan.pointCount()));
    const study::PointRange points{begin, end};
    study::checkPointsToRun(plan, points,
                            points == study::allPoints(plan)
                                ? std::string()
                                : "the chunk " + std::to_string(begin) + ".." + std::to_string(end));
}

// The plan's columns and rows of the points [begin, end).
py::dict sweepArrays(const study::SweepPlan& plan, std::size_t begin, std::size_t end, bool outlet, bool criterion,
                     bool onlyMeeting, std::optional<unsigned> jobs, const py::object& progress)
{
    checkChunk(plan, begin, end);
    const study::SweepRows rows(plan, rowOptions(outlet, criterion, onlyMeeting));
    const Checkpoint checkpoint = pythonCheckpoint(progress, end - begin);
    SweepColumns columns;
    {
        py::gil_scoped_release released;
        columns = sweepColumns(rows, {begin, end}, threadsOf(jobs), checkpoint);
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> swept;
    for (const study::SweepField& field : plan.sweptFields())
        swept.emplace_back(field.name, field.texts);
    return rowArrays(rows, std::move(columns), std::move(swept));
}

// The rows of points given one by one: `fixed` the eight texts, `varying`
// per field that varies (its place 0..7, its texts, each point's text index).
py::dict givenPointArrays(const std::string& model, const FieldTexts& fixed, const py::list& varying, std::size_t count,
                          const std::string& separator, bool outlet, bool criterion, bool onlyMeeting,
                          std::optional<unsigned> jobs, const py::object& progress)
{
    GivenPoints points{modelOf(model), separatorOf(separator), fixed, {}, {}, {}, count};
    std::vector<py::array_t<std::int32_t>> held;
    std::vector<std::pair<std::string, std::vector<std::string>>> names;
    for (const py::handle item : varying) {
        const auto field = py::reinterpret_borrow<py::tuple>(item);
        const auto place = field[0].cast<std::size_t>();
        auto codes = py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>::ensure(field[2]);
        auto texts = field[1].cast<std::vector<std::string>>();
        if (place >= kFieldCount || !codes || codes.ndim() != 1 || static_cast<std::size_t>(codes.size()) != count)
            throw py::value_error("a varying field is (place 0..7, texts, one text index per point)");
        for (const std::int32_t code : std::span(codes.data(), count))
            if (code < 0 || static_cast<std::size_t>(code) >= texts.size())
                throw py::value_error("a text index lies outside its field's texts");
        points.varying.push_back(Field(place + 1));
        points.choices.emplace_back(codes.data(), count);
        names.emplace_back(std::string(modelFields(points.model)[place].name), texts);
        points.texts.push_back(std::move(texts));
        held.push_back(codes);
    }
    const study::SweepRows rows(points.model, rowOptions(outlet, criterion, onlyMeeting));
    const Checkpoint checkpoint = pythonCheckpoint(progress, count);
    SweepColumns columns;
    {
        py::gil_scoped_release released;
        columns = givenPointColumns(points, rows, threadsOf(jobs), checkpoint);
    }
    return rowArrays(rows, std::move(columns), std::move(names));
}

// The points [begin, end) of a plan written as kaskad-cli's CSV into the
// file `path`, by the same writer. A failed write raises OSError.
void writeSweepCsv(const study::SweepPlan& plan, std::size_t begin, std::size_t end, bool outlet, bool criterion,
                   bool onlyMeeting, std::optional<unsigned> jobs, bool header, const std::string& path)
{
    checkChunk(plan, begin, end);
    struct WriteFailed {};
    formats::SweepOutputOptions options;
    options.rows = rowOptions(outlet, criterion, onlyMeeting);
    options.header = header;
    const Checkpoint checkpoint = pythonCheckpoint(py::none(), end - begin);
    int writeError = 0;
    {
        py::gil_scoped_release released;
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        formats::SweepWriter writer(file, plan, options);
        try {
            if (!file)
                throw WriteFailed{};
            writer.begin();
            study::runSweepProducing<std::optional<formats::FormattedPoint>>(
                plan, {begin, end}, threadsOf(jobs),
                [&writer](std::size_t index, RunView run) { return writer.format(index, run); },
                [&](std::size_t index, std::optional<formats::FormattedPoint>&& point) {
                    writer.write(index, std::move(point));
                    if (!file)
                        throw WriteFailed{};
                },
                everyFewTenths(checkpoint, end - begin));
            writer.end();
            file.close();
            if (!file)
                throw WriteFailed{};
        } catch (const WriteFailed&) {
            writeError = errno != 0 ? errno : EIO;
        }
    }
    if (writeError != 0) {
        errno = writeError;
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
        throw py::error_already_set();
    }
}

py::array_t<double> fieldNumbers(const std::vector<std::string>& texts, const std::string& separatorText, bool count)
{
    const DecimalSeparator separator = separatorOf(separatorText);
    std::vector<double> numbers;
    numbers.reserve(texts.size());
    for (const std::string& text : texts) {
        try {
            const long double number = TextToNumber(text, separator);
            numbers.push_back(count ? double(roundCount(number)) : double(number));
        } catch (const Exception&) {
            numbers.push_back(std::numeric_limits<double>::quiet_NaN());
        }
    }
    return arrayOf(std::move(numbers), {static_cast<py::ssize_t>(texts.size())});
}

// The stored values that CSV cells print: a single when the single nearest
// the text prints the same text (a stored single always does), otherwise the
// double nearest it, which prints the same 15 digits; NaN for an empty cell.
py::array_t<double> storedNumbers(const std::vector<std::string>& texts)
{
    std::vector<double> numbers;
    numbers.reserve(texts.size());
    char printed[kNumberTextCapacity];
    for (const std::string& text : texts) {
        if (text.empty()) {
            numbers.push_back(std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        double number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (error != std::errc() || end != text.data() + text.size())
            throw py::value_error("'" + text + "' is not a number of Kaskad's CSV");
        const double single = static_cast<float>(number);
        const char* printedEnd = writeNumberText(printed, single, DecimalSeparator('.'));
        numbers.push_back(std::string_view(printed, printedEnd) == text ? single : number);
    }
    return arrayOf(std::move(numbers), {static_cast<py::ssize_t>(texts.size())});
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

// An instance of an error kind, for its name.
template <class Kind>
std::unique_ptr<Exception> errorSample()
{
    if constexpr (std::is_default_constructible_v<Kind>)
        return std::make_unique<Kind>();
    else if constexpr (std::is_constructible_v<Kind, std::string>)
        return std::make_unique<Kind>(std::string());
    else
        return std::make_unique<Kind>(0);
}

// How many of Kinds a class derives from, itself included.
template <class Kind, class... Kinds>
int kindDepth()
{
    return (int(std::is_base_of_v<Kinds, Kind>) + ...);
}

// Each of Kinds by name, with the name of the kind among them it derives
// from directly (None for the root), read from the C++ classes themselves.
template <class... Kinds>
py::dict kindParents()
{
    py::dict parents;
    const auto parentOf = [&]<class Kind>() {
        py::object parent = py::none();
        int parentDepth = 0;
        const auto consider = [&]<class Base>() {
            if (!std::is_same_v<Base, Kind> && std::is_base_of_v<Base, Kind> &&
                kindDepth<Base, Kinds...>() > parentDepth) {
                parent = py::str(errorSample<Base>()->kindName());
                parentDepth = kindDepth<Base, Kinds...>();
            }
        };
        (consider.template operator()<Kinds>(), ...);
        parents[py::str(errorSample<Kind>()->kindName())] = parent;
    };
    (parentOf.template operator()<Kinds>(), ...);
    return parents;
}

} // namespace

} // namespace kaskad::python

namespace kaskad::python {

namespace {

void bindRuns(py::module_& m)
{
    py::register_exception<study::StudyError>(m, "UsageError", PyExc_ValueError);

    m.attr("QUANTITIES") = [] {
        std::vector<std::string> names;
        names.reserve(kStoreOrder.size());
        for (Pane pane : kStoreOrder)
            names.emplace_back(quantityName(pane));
        return names;
    }();
    m.def(
        "model_fields",
        [](const std::string& model) {
            std::vector<std::tuple<std::string, bool, std::string>> fields;
            for (const FieldDescription& field : modelFields(modelOf(model)))
                fields.emplace_back(field.name, field.converted, field.help);
            return fields;
        },
        "A model's input fields in the window's order: name, whether the run converts it, its meaning.");

    py::class_<Record>(m, "Record", "A run's stored values and the error that ended it.")
        .def_property_readonly("model", [](const Record& r) { return std::string(modelName(r.run.model)); })
        .def_property_readonly("reactors", &recordReactors,
                               "Per reactor (number, y1, ..., P) in store order; None for a value not stored.")
        .def_property_readonly("error", &recordError,
                               "None, or (kind, message, reactor or None, last quantity or None).")
        .def("text", &recordText, py::arg("quantity"), py::arg("reactor"))
        .def("pane_text", [](const Record& r, const std::string& quantity) {
            return r.run.paneText(paneOf(quantity), r.separator);
        });
    m.def("run", &runFields, py::arg("model"), py::arg("fields"), py::arg("decimal_separator"),
          "Runs a model on its eight field texts, LabeledEdit1..8.");
}

void bindSweeps(py::module_& m)
{
    py::class_<study::SweepPlan>(m, "SweepPlan", "The points of a sweep.")
        .def(py::init([](const std::string& model, const FieldTexts& texts, const std::string& separator) {
                 return study::SweepPlan(modelOf(model), texts, separatorOf(separator));
             }),
             py::arg("model"), py::arg("option_texts"), py::arg("decimal_separator"))
        .def_property_readonly("point_count", &study::SweepPlan::pointCount)
        .def_property_readonly(
            "swept_fields",
            [](const study::SweepPlan& plan) {
                std::vector<std::pair<std::string, std::vector<std::string>>> fields;
                for (const study::SweepField& field : plan.sweptFields())
                    fields.emplace_back(field.name, pythonTexts(field.texts));
                return fields;
            },
            "Each swept field's name and texts, in the window's order.");
    m.def("sweep_arrays", &sweepArrays, py::arg("plan"), py::arg("begin"), py::arg("end"), py::arg("outlet"),
          py::arg("criterion"), py::arg("only_meeting"), py::arg("jobs") = py::none(), py::arg("progress") = py::none(),
          "Runs the points begin..end-1 of a plan and returns their rows as arrays.");
    m.def("given_point_arrays", &givenPointArrays, py::arg("model"), py::arg("fixed"), py::arg("varying"),
          py::arg("count"), py::arg("decimal_separator"), py::arg("outlet"), py::arg("criterion"),
          py::arg("only_meeting"), py::arg("jobs") = py::none(), py::arg("progress") = py::none(),
          "Runs points given one by one and returns their rows as arrays.");
    m.def("write_sweep_csv", &writeSweepCsv, py::arg("plan"), py::arg("begin"), py::arg("end"), py::arg("outlet"),
          py::arg("criterion"), py::arg("only_meeting"), py::arg("jobs"), py::arg("header"), py::arg("path"),
          "Writes the points begin..end-1 of a plan into a file as kaskad-cli sweep --format csv does.");
    m.def("stored_numbers", &storedNumbers, py::arg("texts"),
          "The stored values that the number cells of kaskad-cli's CSV print; NaN for an empty cell.");
    m.def("field_numbers", &fieldNumbers, py::arg("texts"), py::arg("decimal_separator"), py::arg("count"),
          "The numbers field texts stand for as the run reads them (N rounded when count); NaN for a text that is not "
          "one.");
    m.def(
        "shard_range",
        [](std::size_t points, std::size_t index, std::size_t count) {
            if (index < 1 || index > count || count > study::kMaxShards)
                throw py::value_error("a shard is K/N with 1 <= K <= N <= " + std::to_string(study::kMaxShards));
            const study::PointRange range = study::shardRange(points, {index, count});
            return std::make_pair(range.begin, range.end);
        },
        py::arg("points"), py::arg("index"), py::arg("count"),
        "The points (begin, end) of shard index (1-based) of count, as kaskad-cli sweep --shard cuts them.");
    m.def("csv_text", &csvText, py::arg("names"), py::arg("columns"), py::arg("rows"),
          "The CSV bytes of a table given column by column, as kaskad-cli sweep --format csv writes them.");
}

void bindNumberText(py::module_& m)
{
    m.def(
        "number_text",
        [](double value, const std::string& separator) {
            char text[kNumberTextCapacity];
            return std::string(text, writeNumberText(text, value, separatorOf(separator)));
        },
        py::arg("value"), py::arg("decimal_separator") = ".",
        "A stored single or double as the panes print it: 15 significant digits, trailing zeros removed,\n"
        "\"1E-5\" form below 0.0001 and from 1E15 on.");
    m.def(
        "number_texts",
        [](const py::array_t<double, py::array::c_style | py::array::forcecast>& values, const std::string& separator) {
            const DecimalSeparator sep = separatorOf(separator);
            const auto view = values.unchecked<1>();
            py::list texts(view.shape(0));
            char text[kNumberTextCapacity];
            for (py::ssize_t i = 0; i < view.shape(0); ++i)
                texts[static_cast<std::size_t>(i)] =
                    std::isnan(view(i)) ? py::str("") : py::str(std::string(text, writeNumberText(text, view(i), sep)));
            return texts;
        },
        py::arg("values"), py::arg("decimal_separator") = ".",
        "number_text of each value of a one-dimensional array; NaN, a value not stored, gives \"\".");
}

void bindErrorKinds(py::module_& m)
{
    m.def(
        "error_kind_parents",
        [] {
            return kindParents<Exception, EExternal, EMathError, EInvalidOp, EZeroDivide, EOverflow, EConvertError,
                               ENoConvergence>();
        },
        "Each error kind of the calculations with the kind it derives from directly.");
}

} // namespace

} // namespace kaskad::python

PYBIND11_MODULE(_kaskad, m)
{
    using namespace kaskad::python;
    m.doc() = "The compiled part of kaskad: use the package kaskad, not this module.";
    bindRuns(m);
    bindSweeps(m);
    bindNumberText(m);
    bindErrorKinds(m);
    bindDesign(m);
}
