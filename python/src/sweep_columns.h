// A sweep's rows held column by column, as the Python module hands them to
// pandas: the rows study::SweepRows gives, in the same order as kaskad-cli's CSV.
#pragma once

#include "study/point_rows.h"
#include "study/runner.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kaskad::python {

// Texts numbered in the order they first appear.
class TextCodes {
public:
    std::int32_t code(const std::string& text);
    const std::vector<std::string>& texts() const { return texts_; }

private:
    std::unordered_map<std::string, std::int32_t> codes_;
    std::vector<std::string> texts_;
};

struct SweepColumns {
    // Per swept field, which of its texts each row holds.
    std::vector<std::vector<std::int32_t>> sweptTextIndex;
    std::vector<std::int64_t> point;    // the row's point in the whole sweep
    std::vector<std::int32_t> reactor;  // 0 for a point without a reactor
    // Per quantity in store order, its value on each row; NaN where none was stored.
    std::array<std::vector<double>, kPaneCount> values;
    std::vector<std::int32_t> errorKind;     // code in errorKinds, -1 when the point did not fail
    std::vector<std::int32_t> errorMessage;  // code in errorMessages, -1 likewise
    TextCodes errorKinds, errorMessages;
    std::vector<std::int8_t> bounds;    // per row one per criterion bound: 1 met, 0 not, -1 no outlet
    std::vector<std::uint8_t> meets;    // with the criterion: whether the point meets it
    std::vector<double> margin;         // with the criterion: its margin, NaN without an outlet

    std::size_t rows() const { return reactor.size(); }
};

// Runs the points of `points` on `jobs` threads and collects the rows `rows`
// gives. `interrupted` is called now and then on the calling thread;
// whatever it throws stops the sweep.
SweepColumns sweepColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                          const std::function<void()>& interrupted);

} // namespace kaskad::python
