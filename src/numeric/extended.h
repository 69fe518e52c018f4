// Checked extended-precision arithmetic and the stores that round a value to
// the single or double width of a model quantity.
//
// An Ext is an 80-bit extended value that may instead carry a fault: the
// first invalid operation, division by zero or overflow met while computing
// it. A faulted operand passes its fault on (the left operand's first), so an
// expression yields the fault that a left-to-right evaluation meets first,
// whatever order the compiler evaluates the operands in. The fault is raised
// as its error where the value is stored, compared or converted, so an
// operation that faults stores nothing.
#pragma once

#include <cmath>
#include <cstdint>

namespace kaskad {

enum class Fault : std::uint8_t { none, invalidOp, zeroDivide, overflow };

// Raises the error of a fault (EInvalidOp, EZeroDivide, EOverflow) after
// putting the floating-point environment back to the calculation settings.
[[noreturn]] void raiseFault(Fault fault);

// Extended precision, round to nearest with ties to even, all traps masked:
// faults are detected from the values. Set at start-up, before every run and
// after every fault.
void setCalculationFloatingPointEnvironment();

class Ext {
public:
    constexpr Ext() = default;
    constexpr Ext(long double value) : value_(value) {}

    static constexpr Ext faulted(Fault fault)
    {
        Ext e;
        e.fault_ = fault;
        return e;
    }
    // The value of an operation's result: an infinity from finite operands
    // is an overflow.
    static Ext result(long double value) { return isFinite(value) ? Ext(value) : faulted(Fault::overflow); }
    // value - value is 0 for every finite value and not a number otherwise:
    // on the x87 unit a cheaper test than a comparison with a constant.
    static bool isFinite(long double value) { return value - value == 0; }

    Fault fault() const { return fault_; }
    bool isFaulted() const { return fault_ != Fault::none; }
    // The value; raises the carried fault, if any.
    long double value() const
    {
        if (isFaulted())
            raiseFault(fault_);
        return value_;
    }
    // The value without raising; meaningless for a faulted Ext.
    long double rawValue() const { return value_; }

private:
    long double value_ = 0;
    Fault fault_ = Fault::none;
};

// The arithmetic of the formulas. Free functions, so that a Single or Double
// operand finds them too and widens exactly.
namespace detail {
inline Ext firstFault(Ext a, Ext b) { return a.isFaulted() ? a : b; }
} // namespace detail

inline Ext operator+(Ext a, Ext b)
{
    if (a.isFaulted() || b.isFaulted())
        return detail::firstFault(a, b);
    return Ext::result(a.rawValue() + b.rawValue());
}
inline Ext operator-(Ext a, Ext b)
{
    if (a.isFaulted() || b.isFaulted())
        return detail::firstFault(a, b);
    return Ext::result(a.rawValue() - b.rawValue());
}
inline Ext operator*(Ext a, Ext b)
{
    if (a.isFaulted() || b.isFaulted())
        return detail::firstFault(a, b);
    return Ext::result(a.rawValue() * b.rawValue());
}
// x / 0 is a division by zero, 0 / 0 an invalid operation.
inline Ext operator/(Ext a, Ext b)
{
    if (a.isFaulted() || b.isFaulted())
        return detail::firstFault(a, b);
    const long double r = a.rawValue() / b.rawValue();
    if (Ext::isFinite(r))
        return r;
    if (b.rawValue() == 0)
        return Ext::faulted(a.rawValue() == 0 ? Fault::invalidOp : Fault::zeroDivide);
    return Ext::faulted(Fault::overflow);
}
inline Ext operator-(Ext a) { return a.isFaulted() ? a : Ext(-a.rawValue()); }
inline Ext abs(Ext a) { return a.isFaulted() ? a : Ext(std::fabs(a.rawValue())); }

// Comparing raises a carried fault, the left operand's first.
inline bool operator<(Ext a, Ext b)
{
    const long double l = a.value();
    return l < b.value();
}
inline bool operator<=(Ext a, Ext b)
{
    const long double l = a.value();
    return l <= b.value();
}
inline bool operator>(Ext a, Ext b)
{
    const long double l = a.value();
    return l > b.value();
}
inline bool operator>=(Ext a, Ext b)
{
    const long double l = a.value();
    return l >= b.value();
}
inline bool operator==(Ext a, Ext b)
{
    const long double l = a.value();
    return l == b.value();
}

// A model quantity stored as an IEEE single. Widening to extended is exact;
// arithmetic on it is always extended.
class Single {
public:
    constexpr Single() = default;
    constexpr explicit Single(float value) : value_(value) {}
    constexpr operator Ext() const { return Ext(value_); }
    constexpr float value() const { return value_; }

private:
    float value_ = 0;
};

// A model quantity stored as an IEEE double.
class Double {
public:
    constexpr Double() = default;
    constexpr explicit Double(double value) : value_(value) {}
    constexpr operator Ext() const { return Ext(value_); }
    constexpr double value() const { return value_; }

private:
    double value_ = 0;
};

// A value stored as a Single or Double ahead of the formula that stores it,
// or the error that store raises, held back: value() raises it where the
// formula stores. As an operand it is the stored value, or its fault carried
// on, so the terms formed from it carry the fault too.
template <class Width>
class Kept {
public:
    constexpr Kept() = default;
    constexpr explicit Kept(Width stored) : stored_(stored) {}
    static constexpr Kept failed(Fault fault)
    {
        Kept kept;
        kept.fault_ = fault;
        return kept;
    }

    bool isStored() const { return fault_ == Fault::none; }
    Fault fault() const { return fault_; }
    // The stored value; raises the error of the store, if any.
    Width value() const
    {
        if (!isStored())
            raiseFault(fault_);
        return stored_;
    }
    operator Ext() const { return isStored() ? static_cast<Ext>(stored_) : Ext::faulted(fault_); }

private:
    Width stored_{};
    Fault fault_ = Fault::none;
};

// Rounds to single, to nearest with ties to even. A carried fault, or a value
// beyond the single range, is the error of the store.
inline Kept<Single> keepSingle(Ext x)
{
    if (x.isFaulted())
        return Kept<Single>::failed(x.fault());
    const float rounded = static_cast<float>(x.rawValue());
    return std::isinf(rounded) ? Kept<Single>::failed(Fault::overflow) : Kept<Single>(Single(rounded));
}

inline Kept<Double> keepDouble(Ext x)
{
    if (x.isFaulted())
        return Kept<Double>::failed(x.fault());
    const double rounded = static_cast<double>(x.rawValue());
    return std::isinf(rounded) ? Kept<Double>::failed(Fault::overflow) : Kept<Double>(Double(rounded));
}

// keepSingle and keepDouble with the error raised at once: nothing is stored.
inline Single storeSingle(Ext x) { return keepSingle(x).value(); }
inline Double storeDouble(Ext x) { return keepDouble(x).value(); }

} // namespace kaskad
