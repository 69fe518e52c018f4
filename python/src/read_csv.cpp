// kaskad-cli's sweep CSV read back for Python: the files parsed a block at a
// time straight into the arrays of the frame, each number by the round trip
// of the writers' digits.
#include "formats/csv.h"
#include "register.h"
#include "shared.h"
#include "sweep_columns.h"

#include <pybind11/stl.h>

#include <charconv>
#include <fstream>
#include <span>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// What a column of the CSV holds, by its name.
enum class CsvRole { field, reactor, quantity, errorKind, errorMessage, bound, meets, margin };

// The columns of a sweep's CSV: the model its field columns open it with,
// each column's role and, for a field or quantity, which one.
struct SweepCsvLayout {
    ModelKind model = ModelKind::bubble;
    std::vector<std::string> names;
    std::vector<std::pair<CsvRole, std::size_t>> roles;
    std::size_t bounds = 0;
};

std::string expectedFieldColumns()
{
    std::string text;
    for (const ModelKind model : kModelKinds) {
        text += text.empty() ? "" : " or ";
        for (const FieldDescription& field : modelFields(model))
            (text += text.ends_with(' ') || text.empty() ? "" : ", ") += fieldOption(field.name);
    }
    return text;
}

// The layout of a header; a ValueError for one that is not a sweep's.
SweepCsvLayout layoutOf(const std::vector<std::string_view>& header)
{
    SweepCsvLayout layout;
    layout.names.assign(header.begin(), header.end());
    const auto opensWith = [&](ModelKind model) {
        const auto fields = modelFields(model);
        if (header.size() < fields.size())
            return false;
        for (std::size_t f = 0; f < fields.size(); ++f)
            if (header[f] != fieldOption(fields[f].name))
                return false;
        return true;
    };
    const auto model = std::find_if(kModelKinds.begin(), kModelKinds.end(), opensWith);
    if (model == kModelKinds.end())
        throw py::value_error("not a sweep's CSV of kaskad-cli: its first columns are not " + expectedFieldColumns());
    layout.model = *model;
    const std::size_t fields = modelFields(layout.model).size();
    // The columns after the fields: reactor, the quantities, the error and,
    // with the criterion, its bounds, verdict and margin.
    std::vector<std::pair<CsvRole, std::size_t>> rest = {{CsvRole::reactor, 0}};
    for (std::size_t q = 0; q < kQuantities.size(); ++q)
        rest.emplace_back(CsvRole::quantity, q);
    rest.emplace_back(CsvRole::errorKind, 0);
    rest.emplace_back(CsvRole::errorMessage, 0);
    const bool criterion = header.back() == "outlet_criterion_margin";
    const std::size_t expected = fields + rest.size() + (criterion ? 2 : 0);
    if (criterion && header.size() >= expected) {
        layout.bounds = header.size() - expected;
        for (std::size_t b = 0; b < layout.bounds; ++b)
            rest.emplace_back(CsvRole::bound, b);
        rest.emplace_back(CsvRole::meets, 0);
        rest.emplace_back(CsvRole::margin, 0);
    }
    std::vector<std::string> names = {"reactor"};
    for (const QuantityDescription& quantity : kQuantities)
        names.emplace_back(quantity.name);
    names.insert(names.end(), {"error_kind", "error_message"});
    if (header.size() != fields + rest.size() ||
        !std::equal(names.begin(), names.end(), header.begin() + static_cast<std::ptrdiff_t>(fields)))
        throw py::value_error("not a sweep's CSV of kaskad-cli: its columns after the fields are not reactor, the "
                              "quantities, error_kind, error_message and, with the criterion, its bounds, "
                              "outlet_meets_criterion and outlet_criterion_margin");
    for (std::size_t f = 0; f < fields; ++f)
        layout.roles.emplace_back(CsvRole::field, f);
    layout.roles.insert(layout.roles.end(), rest.begin(), rest.end());
    return layout;
}

// Texts numbered as they first appear, the last one looked up first: a
// column's rows mostly repeat the text above them.
class RepeatedTexts {
public:
    std::int32_t code(std::string_view text)
    {
        if (last_ < 0 || text != lastText_) {
            lastText_.assign(text);
            last_ = codes_.code(lastText_);
        }
        return last_;
    }
    const std::vector<std::string>& texts() const { return codes_.texts(); }

private:
    TextCodes codes_;
    std::string lastText_;
    std::int32_t last_ = -1;
};

// The arrays of a sweep's rows as they are parsed, each sized for every row.
struct ParsedSweep {
    SweepCsvLayout layout;
    std::size_t rows = 0;
    std::vector<RepeatedTexts> fieldTexts;
    std::vector<std::vector<std::int32_t>> fieldCodes;
    std::vector<std::int32_t> reactor;
    std::vector<double> values; // per quantity its rows, quantity after quantity
    RepeatedTexts errorKinds, errorMessages;
    std::vector<std::int32_t> errorKind, errorMessage;
    std::vector<std::int8_t> bounds;
    std::vector<std::uint8_t> meets;
    std::vector<double> margin;

    ParsedSweep(SweepCsvLayout csvLayout, std::size_t rowCount)
        : layout(std::move(csvLayout)),
          rows(rowCount),
          fieldTexts(modelFields(layout.model).size()),
          fieldCodes(fieldTexts.size(), std::vector<std::int32_t>(rows)),
          reactor(rows),
          values(kQuantities.size() * rows),
          errorKind(rows),
          errorMessage(rows)
    {
        if (layout.roles.back().first == CsvRole::margin) {
            bounds.resize(rows * layout.bounds);
            meets.resize(rows);
            margin.resize(rows);
        }
    }

    void read(std::size_t row, const std::vector<std::string_view>& cells, std::size_t line)
    {
        if (cells.size() != layout.roles.size())
            throw py::value_error("line " + std::to_string(line) + " has " + std::to_string(cells.size()) +
                                  " cells, not " + std::to_string(layout.roles.size()));
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string_view cell = cells[c];
            const auto [role, which] = layout.roles[c];
            switch (role) {
            case CsvRole::field:
                fieldCodes[which][row] = fieldTexts[which].code(cell);
                break;
            case CsvRole::reactor:
                reactor[row] = cell.empty() ? 0 : integer(cell, line);
                break;
            case CsvRole::quantity:
                values[which * rows + row] = number(cell, line);
                break;
            case CsvRole::errorKind:
                errorKind[row] = cell.empty() ? -1 : errorKinds.code(cell);
                break;
            case CsvRole::errorMessage:
                errorMessage[row] = cell.empty() ? -1 : errorMessages.code(cell);
                break;
            case CsvRole::bound:
                bounds[row * layout.bounds + which] = static_cast<std::int8_t>(cell == "true"    ? 1
                                                                               : cell == "false" ? 0
                                                                                                 : -1);
                break;
            case CsvRole::meets:
                meets[row] = cell == "true";
                break;
            case CsvRole::margin:
                margin[row] = number(cell, line);
                break;
            }
        }
    }

private:
    static double number(std::string_view cell, std::size_t line)
    {
        if (cell.empty())
            return kNothingStored;
        if (const std::optional<double> value = storedValueOfText(cell))
            return *value;
        throw py::value_error("line " + std::to_string(line) + ": '" + std::string(cell) +
                              "' is not a number of Kaskad's CSV");
    }
    static std::int32_t integer(std::string_view cell, std::size_t line)
    {
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
        if (error != std::errc() || end != cell.data() + cell.size())
            throw py::value_error("line " + std::to_string(line) + ": '" + std::string(cell) +
                                  "' is not a reactor's number");
        return value;
    }
};

std::ifstream openCsv(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
        throw py::error_already_set();
    }
    return file;
}

// The rows of the files: counted first, so that every array is made once
// at its size, then parsed. One file is open at a time, however many parts.
ParsedSweep parseSweepCsv(const std::vector<std::string>& paths)
{
    if (paths.empty())
        throw py::value_error("read_csv takes at least one file");
    std::vector<std::string_view> cells;
    std::optional<SweepCsvLayout> layout;
    std::size_t rows = 0;
    // Per file after the first, whether it opens with the header again.
    std::vector<bool> repeatsHeader;
    for (const std::string& path : paths) {
        std::ifstream file = openCsv(path);
        formats::CsvReader reader(file);
        const bool hasRecord = reader.next(cells);
        if (!layout) {
            if (!hasRecord)
                throw py::value_error("the file " + path + " is empty: it holds no header");
            layout = layoutOf(cells);
        } else {
            repeatsHeader.push_back(hasRecord &&
                                    std::equal(cells.begin(), cells.end(), layout->names.begin(), layout->names.end()));
            rows += hasRecord && !repeatsHeader.back() ? 1 : 0;
        }
        while (reader.skip())
            ++rows;
    }
    ParsedSweep parsed(std::move(*layout), rows);
    std::size_t row = 0;
    for (std::size_t f = 0; f < paths.size(); ++f) {
        std::ifstream file = openCsv(paths[f]);
        formats::CsvReader reader(file);
        if (f == 0 || repeatsHeader[f - 1])
            reader.skip();
        while (reader.next(cells)) {
            if (row == rows)
                throw py::value_error("the file " + paths[f] + " grew while it was read");
            parsed.read(row++, cells, reader.records());
        }
    }
    if (row != rows)
        throw py::value_error("a file shrank while it was read");
    return parsed;
}

py::dict sweepCsvArrays(const std::vector<std::string>& paths)
{
    std::optional<ParsedSweep> parsed;
    {
        py::gil_scoped_release released;
        parsed.emplace(parseSweepCsv(paths));
    }
    const auto rows = static_cast<py::ssize_t>(parsed->rows);
    py::dict arrays;
    arrays["model"] = std::string(modelName(parsed->layout.model));
    arrays["columns"] = parsed->layout.names;
    py::list fields;
    const auto descriptions = modelFields(parsed->layout.model);
    for (std::size_t f = 0; f < descriptions.size(); ++f) {
        // A field of one text needs no codes: the frame keeps its text alone.
        const bool varies = parsed->fieldTexts[f].texts().size() > 1;
        fields.append(py::make_tuple(std::string(descriptions[f].name), pythonTexts(parsed->fieldTexts[f].texts()),
                                     varies ? py::object(arrayOf(std::move(parsed->fieldCodes[f]), {rows}))
                                            : py::object(py::none())));
        std::vector<std::int32_t>().swap(parsed->fieldCodes[f]);
    }
    arrays["fields"] = fields;
    arrays["reactor"] = arrayOf(std::move(parsed->reactor), {rows});
    arrays["values"] = arrayOf(std::move(parsed->values), {static_cast<py::ssize_t>(kQuantities.size()), rows});
    arrays["error_kind"] =
        py::make_tuple(pythonTexts(parsed->errorKinds.texts()), arrayOf(std::move(parsed->errorKind), {rows}));
    arrays["error_message"] =
        py::make_tuple(pythonTexts(parsed->errorMessages.texts()), arrayOf(std::move(parsed->errorMessage), {rows}));
    if (parsed->layout.roles.back().first == CsvRole::margin) {
        arrays["bounds"] = arrayOf(std::move(parsed->bounds), {rows, static_cast<py::ssize_t>(parsed->layout.bounds)});
        arrays["meets"] = arrayOf(std::move(parsed->meets), {rows});
        arrays["margin"] = arrayOf(std::move(parsed->margin), {rows});
    }
    return arrays;
}

} // namespace

void registerReadCsv(py::module_& m)
{
    m.def("read_sweep_csv", &sweepCsvArrays, py::arg("paths"),
          "The rows of kaskad-cli's sweep CSV in the files, in order, as arrays: the model, the columns, per field "
          "(name, texts, each row's text index or None for a field of one text), reactor, values, error_kind, "
          "error_message and, with the criterion, bounds, meets and margin.");
}

} // namespace kaskad::python
