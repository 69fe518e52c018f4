// The error kinds that end a calculation, and the text of their report.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kaskad {

// Root of every error a calculation raises. The kind name is the one the
// report and the command line show ("EZeroDivide", ...).
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    virtual const char* kindName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// Errors made from processor faults.
class EExternal : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "EExternal"; }
};

// Floating-point faults.
class EMathError : public EExternal {
public:
    using EExternal::EExternal;
    const char* kindName() const noexcept override { return "EMathError"; }
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
    const char* kindName() const noexcept override { return "EInvalidOp"; }
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
    const char* kindName() const noexcept override { return "EZeroDivide"; }
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
    const char* kindName() const noexcept override { return "EOverflow"; }
};

// A field text that is not a number.
class EConvertError : public Exception {
public:
    explicit EConvertError(std::string_view fieldText);
    const char* kindName() const noexcept override { return "EConvertError"; }
};

// The Newton iteration for y3 found no root within its iteration bound.
class ENoConvergence : public Exception {
public:
    explicit ENoConvergence(int iterations);
    const char* kindName() const noexcept override { return "ENoConvergence"; }
};

// The text the error report shows: the message, with a "." appended when its
// last character sorts after ".".
std::string reportText(std::string_view message);
inline std::string reportText(const Exception& error) { return reportText(error.message()); }

// The application title derived from the program file's path: the file name
// without directory and without everything from its first "." on, every letter
// after the first in lower case.
std::string applicationTitle(std::string_view programPath);

} // namespace kaskad
