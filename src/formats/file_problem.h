// The error of a file the user chose: it cannot be read or written, or it
// does not hold what it should.
#pragma once

#include "numeric/errors.h"

namespace kaskad::formats {

class FileProblem : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "FileProblem"; }
};

} // namespace kaskad::formats
