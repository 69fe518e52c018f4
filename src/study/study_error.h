// The error of a study that cannot be run: a malformed range or list, too
// many points. Front ends report it as a usage error.
#pragma once

#include "numeric/errors.h"

namespace kaskad::study {

class StudyError : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "StudyError"; }
};

} // namespace kaskad::study
