// What a design study searches and what it asks of a run: fields held fixed,
// searched over an interval or over a range of reactor counts; bounds on the
// run's quantities; the objective; and the texts of the values it tries.
#pragma once

#include "model/criterion.h"
#include "model/run_record.h"
#include "study/tolerance.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::study {

// The most reactors a design searches.
inline constexpr std::int32_t kMostReactorsSearched = 1000;

// A field searched over an interval: its ends as written and as the field
// reads them, and how the run stores it.
struct IntervalField {
    Field field = fieldWg;
    std::string name;     // "wg", "ts", ...
    std::string fromText; // "0.05"
    std::string toText;   // "0.4"
    long double from = 0;
    long double to = 0;
    FieldStorage storage = FieldStorage::single;
};

// A field moved from a point's value, as a plant moves it.
struct FieldMove {
    Field field = fieldT;
    long double by = 0;
};

// The fields of a design study. An option text "FROM:TO" makes a field an
// interval (N: a range of reactor counts, both ends included); any other
// text is the field's fixed text, which must read as a number the field
// stores. Raises StudyError.
class DesignSpace {
public:
    // intervalsAllowed: how many interval fields the study takes at most.
    DesignSpace(ModelKind model, const FieldTexts& optionTexts, std::size_t intervalsAllowed);

    ModelKind model() const { return model_; }
    const std::vector<IntervalField>& intervals() const { return intervals_; }
    std::int32_t fewestReactors() const { return fewestReactors_; }
    std::int32_t mostReactors() const { return mostReactors_; }
    std::size_t reactorCounts() const
    {
        return static_cast<std::size_t>(mostReactors_) - static_cast<std::size_t>(fewestReactors_) + 1;
    }

    // The field texts of a point: interval field k takes texts[k], N the count.
    FieldTexts pointTexts(std::span<const std::string> intervalTexts, std::int32_t reactors) const;
    // The run of a point given as values: interval field k stores values[k],
    // N is the count, the other fields store what their texts give. It is
    // the run of texts that read as those values.
    RunRecord pointRun(std::span<const long double> values, std::int32_t reactors) const;
    // The value a field takes at a point: an interval field's values[k], a
    // fixed field's stored value.
    long double pointValue(Field field, std::span<const long double> values) const;
    // The run of a point with some fields moved from it, each moved value
    // stored at its field's width; one its field cannot store is a run that
    // failed reading its fields.
    RunRecord movedPointRun(std::span<const long double> values, std::int32_t reactors,
                            std::span<const FieldMove> moves) const;

private:
    void readFixedFields();
    ModelInputs pointInputs(std::span<const long double> values, std::int32_t reactors) const;

    ModelKind model_;
    FieldTexts fixed_;
    FieldArray<double> fixedValues_{}; // the fixed fields' stored values
    FieldArray<std::optional<std::size_t>> intervalOf_{};
    std::vector<IntervalField> intervals_;
    std::int32_t fewestReactors_ = 0;
    std::int32_t mostReactors_ = 0;
};

// The shortest text that the field reads as the value it stores for x: the
// single (or double) nearest to x, in at most 9 (17) significant digits.
std::string storedValueText(long double x, FieldStorage storage);

// A decimal m * 10^exponent, for texts rounded to a number of significant
// digits and their neighbours one unit of the last digit away.
struct DecimalText {
    std::int64_t mantissa = 0;
    std::int32_t exponent = 0;

    // x rounded to `digits` significant digits (1..17), ties to even.
    static DecimalText rounded(long double x, int digits);
    // The same for a value of an interval field, except that a value within
    // the rounding of an end, or of 0 inside the interval, at the resolution
    // `digits` give the interval's largest end, is that end or 0: a search
    // that stops a hair from 0 answers "0", not "1.735E-18".
    static DecimalText roundedWithin(const IntervalField& field, long double value, int digits);
    DecimalText step(std::int64_t units) const { return {mantissa + units, exponent}; }
    // "0.1234", "1500", "1.5E-5": the pane's layout, "." as separator.
    std::string text() const;
};

// A bound on a quantity of the outlet, or of every reactor ("all:GB>=0").
struct QuantityBound {
    enum class Comparison { atLeast, above, atMost, below };

    std::string label; // as written
    Pane pane = paneY1;
    Comparison comparison = Comparison::atLeast;
    long double limit = 0;
    bool everyReactor = false;

    // Signed distance of a value to the limit: >= 0 inside (> 0 for a strict
    // bound), negative outside.
    long double slack(long double value) const;
    bool met(long double value) const;
};

// "Q>=V", "Q>V", "Q<=V", "Q<V", optionally after "all:". Raises StudyError.
QuantityBound parseQuantityBound(std::string_view text);

// What a design seeks: the criterion margin, or the largest or smallest
// value of an outlet quantity or of a searched field.
struct Objective {
    enum class Kind { margin, maximize, minimize };

    Kind kind = Kind::margin;
    std::string name = "margin";         // "margin", "y3", "ts", ...
    std::optional<Pane> quantity;        // an outlet quantity
    std::optional<std::size_t> interval; // else an interval field, by index

    // "margin", a quantity name (t is the reactor temperature) or the name of
    // an interval field of the space. Raises StudyError.
    static Objective parse(Kind kind, std::string_view name, const DesignSpace& space);
    bool isMargin() const { return kind == Kind::margin; }
    // "criterion margin, maximised", "y3, maximised", ...
    std::string description() const;
};

// A field a plant holds only within a tolerance of the design's value.
struct ToleratedField {
    Field field = fieldT;
    std::string name; // "t", "wg", ...
    Tolerance tolerance;
};

// A design study: the space, the objective and the constraints. With
// tolerances, a design is judged over the box they span around it: by its
// worst case, or, given a probability, by whether it meets the criterion
// with at least that probability, its fields uniform over the box.
struct DesignProblem {
    DesignSpace space;
    Objective objective;
    bool meetCriterion = false;        // the criterion is a constraint
    std::vector<QuantityBound> bounds; // further constraints
    std::vector<ToleratedField> tolerances;
    std::optional<double> meetProbability; // in (0, 1)

    bool robust() const { return !tolerances.empty(); }
};

// The points of the box a probability is estimated on: one fixed Latin
// hypercube, the same for every design (common random numbers), so the
// estimate changes smoothly from one design to the next.
inline constexpr std::size_t kBoxSamples = 256;

// "t", "wg", … as the space's fields; raises StudyError for N or a field the
// design does not read.
ToleratedField toleratedField(const DesignSpace& space, const FieldTolerance& tolerance);

// The moves to the points of the tolerance box around a point that a
// search judges it by: none (the point itself) first, then each corner, or
// the box's samples where a probability is sought.
std::vector<std::vector<FieldMove>> toleranceBoxMoves(const DesignProblem& problem,
                                                      std::span<const long double> values);

// How a run of a given number of reactors fares in a study.
struct Assessment {
    bool computed = false;     // the reactors all computed
    long double score = 0;     // the objective, oriented to be maximised
    long double violation = 0; // how far the constraints are missed; 0 when all are met
    bool meetsCriterion = false;
    std::optional<double> margin;
    // Where a probability over the tolerance box is sought: the share of
    // the box's samples that meet the criterion, and the margin that the
    // samples reach with the probability sought.
    std::optional<double> meetShare;
    std::optional<double> marginAtProbability;

    bool feasible() const { return computed && violation == 0; }
};

// The worse of two assessments of one design: computed only if both are,
// the smaller score and margin, the larger violation.
Assessment worseOf(const Assessment& a, const Assessment& b);

// A design judged by the runs of its point and of its tolerance box
// (toleranceBoxMoves' order): by the point alone without tolerances, else
// by the worst case, or by the point with the probability as a constraint.
Assessment assessBox(const DesignProblem& problem, std::span<const RunRecord> runs, std::int32_t reactors,
                     std::span<const long double> intervalValues);

// Assesses the first `reactors` reactors of a run (a run of N reactors is
// the first N of a longer one). intervalValues: the values of the space's
// interval fields, for an objective on a field.
Assessment assess(const DesignProblem& problem, const RunRecord& run, std::int32_t reactors,
                  std::span<const long double> intervalValues);

// Whether a is a better design than b: a feasible one before one that is
// not; among feasible ones the higher score; among the others the smaller
// violation, then the higher score.
bool better(const Assessment& a, const Assessment& b);

// Whether an assessed design is an answer: every constraint met and, when
// the margin is sought, the criterion too.
bool meetsTarget(const DesignProblem& problem, const Assessment& assessment);

// The bound that limits a design, the run of its texts: with the margin
// sought, the criterion bound nearest; otherwise a constraint it breaks or
// presses on (the least slack, relative to the limit), else a field at an
// end of its interval ("ts>=1800"), else the constraint nearest. Empty when
// there is none or the run did not compute.
std::string limitingBound(const DesignProblem& problem, const RunRecord& run, const FieldTexts& texts);

// The objective's value in its own units (the margin, the quantity, the field).
long double objectiveValue(const DesignProblem& problem, const Assessment& assessment);

} // namespace kaskad::study
