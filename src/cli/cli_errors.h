// Errors of the command line itself, beside the calculation's own.
#pragma once

#include "numeric/errors.h"

namespace kaskad::cli {

// Arguments that cannot be run: a malformed range, an absurd point count...
// The command line reports it and exits with the usage status.
class UsageError : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "UsageError"; }
};

// An output file (a plot) that could not be written.
class OutputError : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "OutputError"; }
};

} // namespace kaskad::cli
