// kaskad-cli's uncertainty study: handed to the uncertainty module, loaded
// with dlopen on the first study, so no other command loads OpenTURNS.
#pragma once

#include "model/design.h"
#include "numeric/errors.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace kaskad::cli {

struct UncertaintyStudy {
    ModelKind model = ModelKind::bubble;
    FieldTexts fields;
    std::string separator = "."; // the decimal separator's text
    std::size_t samples = 10000;
    std::uint64_t seed = 1;
    std::string method = "lhs";
    unsigned jobs = 1;
    bool indices = false;
    bool rare = false;
    std::vector<std::string> quantities;
    bool json = false;
    std::string samplesPath; // empty: no samples file
};

struct UncertaintyReport {
    std::string text;
    bool stopped = false;
};

// The statistics themselves failed: the study has no report.
class UncertaintyFailed : public Exception {
public:
    using Exception::Exception;
    const char* kindName() const noexcept override { return "UncertaintyFailed"; }
};

using UncertaintyProgress = std::function<void(std::size_t done, std::size_t total)>;

// Runs the study in the module. Raises UsageError for fields or options it
// cannot run, OutputError when the module cannot be loaded or the samples
// file cannot be written, UncertaintyFailed when the statistics fail.
UncertaintyReport runUncertaintyStudy(const UncertaintyStudy& study, const UncertaintyProgress& progress,
                                      const std::stop_token& stop);

} // namespace kaskad::cli
