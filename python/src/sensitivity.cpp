// The sensitivity study for the Python package: the outlet's derivatives at
// one point as plain Python values.
#include "field_texts.h"
#include "register.h"
#include "shared.h"

#include "study/sensitivity.h"
#include "study/study_error.h"

#include <pybind11/stl.h>

#include <map>

namespace py = pybind11;

namespace kaskad::python {

namespace {

py::object number(const std::optional<double>& value) { return value ? py::object(py::float_(*value)) : py::none(); }

// (derivative, elasticity, error) as the writers print them: doubles; None
// where the differences' runs failed.
py::object derivativeTuple(const std::optional<study::Derivative>& d)
{
    if (!d)
        return py::none();
    return py::make_tuple(
        static_cast<double>(d->derivative),
        number(d->elasticity ? std::optional<double>(static_cast<double>(*d->elasticity)) : std::nullopt),
        static_cast<double>(d->error));
}

py::dict fieldDict(const study::FieldPoint& point, const study::FieldSensitivity& field)
{
    py::dict dict;
    dict["name"] = field.field.name;
    dict["text"] = point.texts()[field.field.field];
    dict["value"] = static_cast<double>(field.value);
    dict["step"] = static_cast<double>(field.step);
    dict["tolerance"] = field.tolerance ? py::object(py::str(field.tolerance->text())) : py::none();
    dict["half_width"] = static_cast<double>(field.halfWidth);
    dict["margin_low"] = number(field.marginBelow);
    dict["margin_high"] = number(field.marginAbove);
    dict["margin"] = derivativeTuple(field.margin);
    py::list quantities;
    for (const Pane pane : kStoreOrder)
        quantities.append(derivativeTuple(field.quantities[pane]));
    dict["quantities"] = quantities;
    return dict;
}

// tolerances: "FIELD=±D" texts.
py::dict sensitivityOf(const std::string& model, const FieldTexts& texts, const std::vector<std::string>& tolerances)
{
    const study::FieldPoint point(modelOf(model), texts, '.');
    std::map<std::string, study::Tolerance> tolerated;
    for (const std::string& text : tolerances) {
        const study::FieldTolerance tolerance = study::parseFieldTolerance(text, '.');
        point.field(tolerance.field);
        tolerated[tolerance.field] = tolerance.tolerance;
    }
    study::SensitivityResult result;
    {
        py::gil_scoped_release released;
        result = study::sensitivity(point, tolerated);
    }
    py::dict dict;
    dict["N"] = point.reactors();
    dict["margin"] = number(result.margin);
    dict["evaluations"] = result.evaluations;
    py::list fields;
    for (const study::FieldSensitivity& field : result.fields)
        fields.append(fieldDict(point, field));
    dict["fields"] = fields;
    std::vector<std::string> ranking;
    for (const std::size_t k : result.ranking)
        ranking.push_back(result.fields[k].field.name);
    dict["ranking"] = ranking;
    return dict;
}

} // namespace

void registerSensitivity(py::module_& m)
{
    m.def("sensitivity", &sensitivityOf, py::arg("model"), py::arg("option_texts"), py::arg("tolerances"),
          "The outlet's derivatives at one point, ranked by the tolerances (\"t=±1\").");
}

} // namespace kaskad::python
