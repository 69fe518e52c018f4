// Numbers and their texts for Python: values printed as the panes print them,
// and field texts and CSV cells read back as the numbers they stand for.
#include "numeric/errors.h"
#include "numeric/number_text.h"
#include "register.h"
#include "shared.h"

#include <pybind11/stl.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string_view>

namespace py = pybind11;

namespace kaskad::python {

namespace {

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

// The stored values that CSV cells print (storedValueOfText); NaN for an
// empty cell.
py::array_t<double> storedNumbers(const std::vector<std::string>& texts)
{
    std::vector<double> numbers;
    numbers.reserve(texts.size());
    for (const std::string& text : texts) {
        if (text.empty()) {
            numbers.push_back(std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        const std::optional<double> value = storedValueOfText(text);
        if (!value)
            throw py::value_error("'" + text + "' is not a number of Kaskad's CSV");
        numbers.push_back(*value);
    }
    return arrayOf(std::move(numbers), {static_cast<py::ssize_t>(texts.size())});
}

} // namespace

void registerNumberText(py::module_& m)
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
        "extended_number_text",
        [](const py::array_t<long double, py::array::c_style | py::array::forcecast>& value,
           const std::string& separator) {
            if (value.size() != 1)
                throw py::value_error("extended_number_text takes one number");
            return std::string(NumberToText(*value.data(), separatorOf(separator)));
        },
        py::arg("value"), py::arg("decimal_separator") = ".",
        "An extended (numpy.longdouble) value, a study's mean or proportion, as the writers print it.");
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
    m.def("stored_numbers", &storedNumbers, py::arg("texts"),
          "The stored values that the number cells of kaskad-cli's CSV print; NaN for an empty cell.");
    m.def("field_numbers", &fieldNumbers, py::arg("texts"), py::arg("decimal_separator"), py::arg("count"),
          "The numbers field texts stand for as the run reads them (N rounded when count); NaN for a text that is not "
          "one.");
}

} // namespace kaskad::python
