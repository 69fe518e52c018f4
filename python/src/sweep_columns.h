// A sweep's rows held column by column, as the Python module hands them to
// pandas: the rows study::SweepRows gives, in the same order as kaskad-cli's
// CSV, for the points of a sweep plan or for points given one by one.
#pragma once

#include "model/criterion.h"
#include "study/point_rows.h"
#include "study/runner.h"

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
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

// Each quantity's value on each row, in store order: one block of
// kPaneCount lines of capacity() values, quantity after quantity, that numpy
// takes whole as a DataFrame's block of float columns. Room for the rows
// expected is taken at once and touched only as rows come, so that no row
// is copied while the block grows.
class QuantityBlock {
public:
    std::size_t rows() const { return rows_; }
    std::size_t capacity() const { return capacity_; }
    // Room for at least `rows` rows, the rows held kept.
    void reserve(std::size_t rows);
    void append(const std::array<double, kPaneCount>& values);
    double value(std::size_t quantity, std::size_t row) const { return values_[quantity * capacity_ + row]; }
    // The block, handed over whole: kPaneCount lines of capacity() values;
    // the block is left empty.
    std::unique_ptr<double[]> release();

private:
    std::unique_ptr<double[]> values_;
    std::size_t capacity_ = 0;
    std::size_t rows_ = 0;
};

struct SweepColumns {
    // Per varying field, which of its texts each row holds.
    std::vector<std::vector<std::int32_t>> textIndex;
    std::vector<std::int32_t> reactor; // 0 for a point without a reactor
    // Per quantity in store order, its value on each row; NaN where none was stored.
    QuantityBlock values;
    std::vector<std::int32_t> errorKind;    // code in errorKinds, -1 when the point did not fail
    std::vector<std::int32_t> errorMessage; // code in errorMessages, -1 likewise
    TextCodes errorKinds, errorMessages;
    std::vector<std::int8_t> bounds;      // per row one per criterion bound: 1 met, 0 not, -1 no outlet
    std::vector<std::uint8_t> meets;      // with the criterion: whether the point meets it
    std::vector<double> margin;           // with the criterion: its margin, NaN without an outlet
    std::size_t points = 0;               // the points whose rows these are: fewer than asked when stopped
    std::vector<std::int32_t> pointOfRow; // with points given one by one: each row's point

    std::size_t rows() const { return reactor.size(); }
    // Room for `rows` rows in every column, of `varying` varying fields and
    // `bounds` criterion bounds (0 without the criterion).
    void reserve(std::size_t rows, std::size_t varying, std::size_t bounds);
};

// The most rows a point gives whose N is one of `nTexts`: one per reactor
// (or its outlet alone), one for a point that computes none.
std::size_t mostRowsPerPoint(const std::vector<std::string>& nTexts, DecimalSeparator separator, bool outletOnly);

// The value of a column where a row stores none.
inline constexpr double kNothingStored = std::numeric_limits<double>::quiet_NaN();

// Which text of varying field `field` point `index` takes.
using TextIndexOf = std::function<std::int32_t(std::size_t index, std::size_t field)>;

// Appends the rows of each point kept to the columns.
class ColumnCollector {
public:
    // With `pointOfRow`, each row's point is kept too.
    ColumnCollector(SweepColumns& columns, ModelKind model, std::size_t varying, TextIndexOf textIndexOf,
                    bool pointOfRow = false)
        : columns_(columns),
          boundCount_(criterionBounds(model).size()),
          textIndexOf_(std::move(textIndexOf)),
          pointOfRow_(pointOfRow)
    {
        columns_.textIndex.resize(varying);
        if (pointOfRow_)
            columns_.pointOfRow.reserve(columns_.reactor.capacity());
    }

    void point(const std::optional<study::PointRows>& point)
    {
        if (!point)
            return;
        const RunError* error = point->error();
        const std::int32_t kind = error ? columns_.errorKinds.code(error->kind) : -1;
        const std::int32_t message = error ? columns_.errorMessages.code(error->message) : -1;
        for (std::size_t r = 0; r < point->rowCount(); ++r) {
            for (std::size_t f = 0; f < columns_.textIndex.size(); ++f)
                columns_.textIndex[f].push_back(textIndexOf_(point->index, f));
            if (pointOfRow_)
                columns_.pointOfRow.push_back(static_cast<std::int32_t>(point->index));
            appendValues(point->reactor(r));
            columns_.errorKind.push_back(kind);
            columns_.errorMessage.push_back(message);
            if (point->criterion)
                appendCriterion(*point->criterion);
        }
    }

private:
    void appendValues(const ReactorResult* reactor)
    {
        columns_.reactor.push_back(reactor ? reactor->reactor() : 0);
        std::array<double, kPaneCount> values{};
        for (std::size_t p = 0; p < kStoreOrder.size(); ++p)
            values[p] = reactor && reactor->has(kStoreOrder[p]) ? reactor->value(kStoreOrder[p]) : kNothingStored;
        columns_.values.append(values);
    }

    void appendCriterion(const CriterionResult& criterion)
    {
        for (std::size_t b = 0; b < boundCount_; ++b)
            columns_.bounds.push_back(criterion.bounds.empty() ? std::int8_t(-1) : std::int8_t(criterion.bounds[b]));
        columns_.meets.push_back(criterion.meets);
        columns_.margin.push_back(criterion.margin.value_or(kNothingStored));
    }

    SweepColumns& columns_;
    std::size_t boundCount_;
    TextIndexOf textIndexOf_;
    bool pointOfRow_;
};

// The samples of an uncertainty study as the rows of points given one by
// one: the outlet's row with the criterion, each uncertain field's texts
// numbered as they first appear.
class SampleColumns {
public:
    SampleColumns(ModelKind model, std::vector<Field> varying);
    SampleColumns(const SampleColumns&) = delete; // the collector points into it
    SampleColumns& operator=(const SampleColumns&) = delete;

    void add(std::size_t index, const FieldTexts& fields, const RunRecord& run);
    const study::SweepRows& rows() const { return rows_; }
    // Per varying field, its texts in the order the samples gave them.
    std::vector<std::vector<std::string>> texts() const;
    SweepColumns columns;

private:
    study::SweepRows rows_;
    std::vector<Field> varying_;
    std::vector<TextCodes> texts_;
    std::vector<std::int32_t> current_; // the text codes of the sample being added
    ColumnCollector collector_;
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

// A progress sink that calls the checkpoint at least every 50 ms while the
// points come, and when all `count` points are done: Ctrl+C is seen within
// a tenth of a second.
study::ProgressSink twentyTimesASecond(const Checkpoint& checkpoint, std::size_t count);

// Runs the points of `points` of the rows' plan on `jobs` threads and
// collects the rows `rows` gives; the varying fields are the swept ones.
// Once `stop` is asked for, the rows of the points begun are the last.
SweepColumns sweepColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                          const Checkpoint& checkpoint, std::stop_token stop);

// The rows of the rows' `best` points of the largest margins among
// `points`, largest first: the margins of all ranked, then the points kept
// run again. Once `stop` is asked for, the best of the points ranked.
SweepColumns bestPointColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                              const Checkpoint& checkpoint, std::stop_token stop);

// The same for points given one by one; `rows` is made without a plan.
SweepColumns givenPointColumns(const GivenPoints& points, const study::SweepRows& rows, unsigned jobs,
                               const Checkpoint& checkpoint, std::stop_token stop);

} // namespace kaskad::python
