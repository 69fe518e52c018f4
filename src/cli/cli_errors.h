// Errors of the command line itself, beside the calculation's own.
#pragma once

#include "numeric/errors.h"

namespace kaskad::cli {

// Options that cannot go together or cannot be run (--best with --shard,
// --no-header with JSON...): the command line reports it and exits with the
// usage status. The studies' own refusals are study::StudyError.
class UsageError : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "UsageError"; }
};

// Output that could not be written: standard output, a plot file; the
// message gives the reason.
class OutputError : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "OutputError"; }
};

} // namespace kaskad::cli
