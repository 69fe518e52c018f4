// A single run for Python: the recorded run kept as a value, its texts, the
// quantities and the models' fields.
#include "model/run_record.h"
#include "study/study_error.h"
#include "field_texts.h"
#include "register.h"
#include "shared.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>

namespace py = pybind11;

namespace kaskad::python {

namespace {

Pane paneOf(const std::string& quantity)
{
    if (const std::optional<Pane> pane = quantityNamed(quantity))
        return *pane;
    throw py::key_error("no quantity '" + quantity + "': the quantities are " + quantityNamesText(" and "));
}

// Each quantity's row: name, pane title, note, unit (None where the model
// fixes none), physical limit (the rule it breaks, or None), chart panel and
// colour, in store order.
py::tuple quantityTable()
{
    py::tuple rows(kQuantities.size());
    for (std::size_t k = 0; k < kQuantities.size(); ++k) {
        const QuantityDescription& quantity = kQuantities[k];
        py::dict row;
        row["name"] = std::string(quantity.name);
        row["title"] = std::string(quantity.title);
        row["note"] = std::string(quantity.note);
        row["unit"] = quantity.unit.empty() ? py::object(py::none()) : py::object(py::str(std::string(quantity.unit)));
        row["limit"] = quantity.limit ? py::object(py::str(std::string(quantity.limit->rule))) : py::none();
        row["panel"] = std::string(chartPanelName(quantity.panel));
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06x", static_cast<unsigned>(quantity.colour));
        row["colour"] = std::string(colour);
        rows[k] = row;
    }
    return rows;
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

// Each field's stored value, None for a field the model does not read and
// for every field when reading them failed.
py::list recordValues(const Record& record)
{
    py::list values;
    const bool read = record.run.inputs.stored;
    for (const FieldDescription& field : modelFields(record.run.model)) {
        const double value = record.run.inputs.values.values[field.field];
        if (!read || !field.converted())
            values.append(py::none());
        else if (field.storage == FieldStorage::count)
            values.append(py::int_(static_cast<std::int64_t>(value)));
        else
            values.append(py::float_(value));
    }
    return values;
}

py::object recordText(const Record& record, const std::string& quantity, std::int32_t number)
{
    const Pane pane = paneOf(quantity);
    const ReactorResult* reactor = record.reactor(number);
    if (!reactor || !reactor->has(pane))
        return py::none();
    return py::str(reactor->text(pane, record.separator));
}

// A study's message in Python's terms: the command line's option that opens
// it ("--max-evals: ...") named as the argument that takes it ("max_evals: ...").
std::string pythonTerms(std::string message)
{
    if (!message.starts_with("--"))
        return message;
    const std::size_t colon = message.find(':');
    if (colon == std::string::npos)
        return message;
    std::string name = message.substr(2, colon - 2);
    std::replace(name.begin(), name.end(), '-', '_');
    if (name == "tolerance")
        name = "tolerances";
    return name + message.substr(colon);
}

// A record as plain values, for pickle: the model, separator, field texts,
// the fields' stored values (None when reading them failed), per reactor its
// number and twelve values in pane order (None where none was stored), and
// the error as (kind, message, reactor, last pane).
py::tuple recordState(const Record& record)
{
    const RunRecord& run = record.run;
    py::object values = py::none();
    if (run.inputs.stored)
        values = py::cast(std::vector<double>(run.inputs.values.values.begin(), run.inputs.values.values.end()));
    py::list reactors;
    for (const ReactorResult& reactor : run.reactors) {
        py::list stored;
        for (int pane = 1; pane <= kPaneCount; ++pane)
            stored.append(valueOrNone(reactor, Pane(pane)));
        reactors.append(py::make_tuple(reactor.reactor(), stored));
    }
    py::object error = py::none();
    if (run.error)
        error = py::make_tuple(run.error->kind, run.error->message, run.error->reactor, run.error->lastPane);
    return py::make_tuple(std::string(modelName(run.model)), std::string(record.separator.text()),
                          std::vector<std::string>(run.texts().begin(), run.texts().end()), values, reactors, error);
}

// The record recordState() gave, its values as they were stored: nothing is run again.
Record recordOfState(const py::tuple& state)
{
    if (state.size() != 6)
        throw py::value_error("a run's state holds six items");
    Record record{RunRecord{}, separatorOf(state[1].cast<std::string>())};
    RunRecord& run = record.run;
    run.model = modelOf(state[0].cast<std::string>());
    run.inputs.texts = state[2].cast<FieldTexts>();
    if (!state[3].is_none()) {
        const auto values = state[3].cast<std::vector<double>>();
        if (values.size() != kFieldCount)
            throw py::value_error("a run's state holds a value per field");
        std::copy(values.begin(), values.end(), run.inputs.values.values.begin());
        run.inputs.stored = true;
    }
    for (const py::handle item : state[4].cast<py::list>()) {
        const auto reactor = item.cast<py::tuple>();
        ReactorResult& stored = run.reactors.emplace_back(reactor[0].cast<std::int32_t>());
        const auto values = reactor[1].cast<std::vector<std::optional<double>>>();
        for (std::size_t p = 0; p < values.size() && p < kPaneCount; ++p)
            if (values[p])
                stored.store(Pane(static_cast<int>(p) + 1), *values[p]);
    }
    if (!state[5].is_none()) {
        const auto error = state[5].cast<py::tuple>();
        run.error = RunError{error[0].cast<std::string>(), error[1].cast<std::string>(), error[2].cast<std::int32_t>(),
                             error[3].cast<int>()};
    }
    return record;
}

// UsageError, a ValueError, raised for a StudyError with its message in Python's terms.
void registerUsageError(py::module_& m)
{
    static const py::exception<study::StudyError> usageError(m, "UsageError", PyExc_ValueError);
    // pybind11 hands a translator the exception by value.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised)
                std::rethrow_exception(raised);
        } catch (const study::StudyError& error) {
            PyErr_SetString(usageError.ptr(), pythonTerms(error.what()).c_str());
        }
    });
}

} // namespace

void registerRuns(py::module_& m)
{
    registerUsageError(m);

    m.attr("QUANTITY_TABLE") = quantityTable();
    m.attr("QUANTITIES") = [] {
        std::vector<std::string> names;
        names.reserve(kQuantities.size());
        for (const QuantityDescription& quantity : kQuantities)
            names.emplace_back(quantity.name);
        return names;
    }();
    m.attr("MODELS") = [] {
        std::vector<std::string> names;
        names.reserve(kModelKinds.size());
        for (const ModelKind model : kModelKinds)
            names.emplace_back(modelName(model));
        return names;
    }();
    m.def(
        "model_fields",
        [](const std::string& model) {
            std::vector<std::tuple<std::string, bool, std::string>> fields;
            for (const FieldDescription& field : modelFields(modelOf(model)))
                fields.emplace_back(field.name, field.converted(), field.help);
            return fields;
        },
        "A model's input fields in the window's order: name, whether the run converts it, its meaning.");
    m.def(
        "model_defaults",
        [](const std::string& model) {
            py::dict defaults;
            for (const FieldDescription& field : modelFields(modelOf(model)))
                defaults[py::str(std::string(field.name))] =
                    field.converted() ? py::object(py::str(std::string(field.example))) : py::object(py::none());
            return defaults;
        },
        "A model's field texts where a call gives none, by name in the window's order: the worked example's; "
        "None for a field the run never converts.");

    py::class_<Record>(m, "Record", "A run's stored values and the error that ended it.")
        .def_property_readonly("model", [](const Record& r) { return std::string(modelName(r.run.model)); })
        .def_property_readonly(
            "texts",
            [](const Record& r) { return std::vector<std::string>(r.run.texts().begin(), r.run.texts().end()); },
            "The eight field texts the run read, LabeledEdit1..8.")
        .def_property_readonly("values", &recordValues, "The value each field stored, LabeledEdit1..8.")
        .def_property_readonly("reactors", &recordReactors,
                               "Per reactor (number, y1, ..., P) in store order; None for a value not stored.")
        .def_property_readonly("error", &recordError,
                               "None, or (kind, message, reactor or None, last quantity or None).")
        .def("text", &recordText, py::arg("quantity"), py::arg("reactor"))
        .def("pane_text",
             [](const Record& r, const std::string& quantity) { return r.run.paneText(paneOf(quantity), r.separator); })
        .def(py::pickle(&recordState, &recordOfState));
    m.def("run", &runFields, py::arg("model"), py::arg("fields"), py::arg("decimal_separator"),
          "Runs a model on its eight field texts, LabeledEdit1..8.");
}

} // namespace kaskad::python
