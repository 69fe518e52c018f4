// Raising arithmetic faults as errors, and the floating-point settings.
#include "extended.h"

#include "errors.h"

#include <cfenv>
#include <stdexcept>

namespace kaskad {

void setCalculationFloatingPointEnvironment()
{
    // x87 control word: 64-bit significand, round to nearest, every
    // exception masked (faults are found from the results).
    const std::uint16_t x87Control = 0x037F;
    asm volatile("fclex\n\tfldcw %0" : : "m"(x87Control));
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TONEAREST);
}

void raiseFault(Fault fault)
{
    setCalculationFloatingPointEnvironment();
    switch (fault) {
    case Fault::invalidOp:
        throw EInvalidOp();
    case Fault::zeroDivide:
        throw EZeroDivide();
    case Fault::overflow:
        throw EOverflow();
    case Fault::none:
        break;
    }
    throw std::logic_error("raiseFault called without a fault");
}

} // namespace kaskad
