// The one model of a sweep point's rows against what the CSV and JSON
// writers make of it: the same rows, columns and reactors, failed points too.
#include "formats/sweep_output.h"
#include "study/point_rows.h"
#include "study/runner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kaskad::study {
namespace {

TEST(PointRowsModel, WritersSerialiseExactlyItsRowsAndColumns)
{
    // wg 0 fails at the first reactor; N 0 computes none.
    const SweepPlan plan(ModelKind::bubble, {"0;3", "3", "2.5", "0;0.05", "433", "2", "3", "3600"}, '.');
    for (const bool outletOnly : {false, true}) {
        const SweepRows rows(plan, RowOptions{.outletOnly = outletOnly, .criterion = true});
        std::string header;
        for (const Column& column : rows.columns())
            header += (header.empty() ? "" : ",") + column.name;
        for (std::size_t index = 0; index < plan.pointCount(); ++index) {
            const RunRecord run = runPoint(plan, index);
            const std::optional<PointRows> point = rows.point(index, run);
            ASSERT_TRUE(point.has_value());
            std::string csv;
            formats::appendCsvRows(csv, rows.columns(), *point);
            EXPECT_EQ(static_cast<std::size_t>(std::count(csv.begin(), csv.end(), '\n')), point->rowCount());
            const std::string firstRow = csv.substr(0, csv.find('\n'));
            EXPECT_EQ(std::count(firstRow.begin(), firstRow.end(), ','), std::count(header.begin(), header.end(), ','))
                << firstRow;
            std::string json;
            formats::appendJsonPoint(json, plan.model(), *point);
            std::size_t reactors = 0;
            for (std::size_t at = 0; (at = json.find("{\"reactor\":", at)) != std::string::npos; ++at)
                ++reactors;
            EXPECT_EQ(reactors, point->reactors.size()) << json;
        }
    }
}

struct BestCase {
    const char* name;
    std::size_t count;
    std::vector<std::pair<std::size_t, double>> offers; // (point, margin) in the order offered
    std::vector<std::size_t> kept;
};

class BestPointsKept : public testing::TestWithParam<BestCase> {};

TEST_P(BestPointsKept, LargestMarginFirstTiesInPointOrder)
{
    BestPoints best(GetParam().count);
    for (const auto& [index, margin] : GetParam().offers)
        best.offer(index, margin);
    EXPECT_EQ(best.indices(), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BestPointsKept,
    testing::Values(BestCase{"LargestFirst", 3, {{0, 0.1}, {1, 0.3}, {2, -0.2}, {3, 0.2}}, {1, 3, 0}},
                    BestCase{"LaterTieNeverDisplaces", 2, {{0, 0.5}, {1, 0.5}, {2, 0.5}}, {0, 1}},
                    BestCase{"TiesInPointOrderWhateverTheOfferOrder", 2, {{5, 0.1}, {9, 0.1}, {2, 0.1}}, {2, 5}},
                    BestCase{"NegativeZeroTiesWithZero", 2, {{0, 0.0}, {1, -0.0}, {2, 0.0}}, {0, 1}},
                    BestCase{"FewerOffersThanKept", 5, {{4, -1.0}, {7, 2.0}}, {7, 4}},
                    BestCase{"NoneKept", 0, {{0, 1.0}}, {}}),
    [](const testing::TestParamInfo<BestCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad::study
