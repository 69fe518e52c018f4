// A sweep's rows held column by column, as the Python module hands them to
// pandas: the rows study::SweepRows gives, in the same order as kaskad-cli's
// CSV, for the points of a sweep plan or for points given one by one.
#pragma once

#include "study/point_rows.h"
#include "study/runner.h"

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
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
    // Per varying field, which of its texts each row holds.
    std::vector<std::vector<std::int32_t>> textIndex;
    std::vector<std::int32_t> reactor; // 0 for a point without a reactor
    // Per quantity in store order, its value on each row; NaN where none was stored.
    std::array<std::vector<double>, kPaneCount> values;
    std::vector<std::int32_t> errorKind;    // code in errorKinds, -1 when the point did not fail
    std::vector<std::int32_t> errorMessage; // code in errorMessages, -1 likewise
    TextCodes errorKinds, errorMessages;
    std::vector<std::int8_t> bounds; // per row one per criterion bound: 1 met, 0 not, -1 no outlet
    std::vector<std::uint8_t> meets; // with the criterion: whether the point meets it
    std::vector<double> margin;      // with the criterion: its margin, NaN without an outlet

    std::size_t rows() const { return reactor.size(); }
};

// Points given one by one: the texts of the fields that vary, each point's
// choice among them, and one text for every other field.
struct GivenPoints {
    ModelKind model = ModelKind::bubble;
    DecimalSeparator separator;
    FieldTexts fixed;
    std::vector<Field> varying;                         // the fields that vary
    std::vector<std::vector<std::string>> texts;        // per varying field, its texts
    std::vector<std::span<const std::int32_t>> choices; // per varying field, per point, which text
    std::size_t count = 0;

    FieldTexts fields(std::size_t point) const;
};

// Called now and then on the calling thread with the points done.
using Checkpoint = std::function<void(std::size_t done)>;

// A progress sink that calls the checkpoint a few times a second and when
// all `count` points are done.
study::ProgressSink everyFewTenths(const Checkpoint& checkpoint, std::size_t count);

// Runs the points of `points` of the rows' plan on `jobs` threads and
// collects the rows `rows` gives; the varying fields are the swept ones.
// Once `stop` is asked for, the rows of the points begun are the last.
SweepColumns sweepColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                          const Checkpoint& checkpoint, std::stop_token stop);

// The same for points given one by one; `rows` is made without a plan.
SweepColumns givenPointColumns(const GivenPoints& points, const study::SweepRows& rows, unsigned jobs,
                               const Checkpoint& checkpoint, std::stop_token stop);

} // namespace kaskad::python
