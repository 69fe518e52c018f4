// The error of a file the user chose: it cannot be read or written, or it
// does not hold what it should, or is larger than such a file can be.
#pragma once

#include "numeric/errors.h"

namespace kaskad::formats {

class FileProblem : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "FileProblem"; }
};

// A file larger than what it should hold can be: no such file at all.
class FileTooLarge : public FileProblem {
public:
    using FileProblem::FileProblem;
    const char* kindName() const noexcept override { return "FileTooLarge"; }
};

} // namespace kaskad::formats
