// The eight field texts cross to and from Python as a list of eight str.
#pragma once

#include "model/run_record.h"

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace pybind11::detail {

template <>
struct type_caster<kaskad::FieldTexts> {
    PYBIND11_TYPE_CASTER(kaskad::FieldTexts, const_name("List[str[8]]"));

    bool load(handle source, bool convert)
    {
        make_caster<std::vector<std::string>> texts;
        if (!texts.load(source, convert))
            return false;
        const std::vector<std::string>& loaded = cast_op<const std::vector<std::string>&>(texts);
        if (loaded.size() != kaskad::kFieldCount)
            return false;
        for (int field = 1; field <= kaskad::kFieldCount; ++field)
            value[kaskad::Field(field)] = loaded[static_cast<std::size_t>(field - 1)];
        return true;
    }

    static handle cast(const kaskad::FieldTexts& texts, return_value_policy policy, handle parent)
    {
        return make_caster<std::vector<std::string>>::cast(std::vector<std::string>(texts.begin(), texts.end()), policy,
                                                           parent);
    }
};

} // namespace pybind11::detail
