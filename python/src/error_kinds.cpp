// The error kinds of the calculations for Python: each with the kind it
// derives from, read from the C++ classes.
#include "numeric/errors.h"
#include "register.h"

#include <memory>
#include <string>
#include <type_traits>

namespace py = pybind11;

namespace kaskad::python {

namespace {

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

void registerErrorKinds(py::module_& m)
{
    m.def(
        "error_kind_parents",
        [] {
            return kindParents<Exception, EExternal, EMathError, EInvalidOp, EZeroDivide, EOverflow, EConvertError,
                               ENoConvergence>();
        },
        "Each error kind of the calculations with the kind it derives from directly.");
}

} // namespace kaskad::python
