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

} // namespace
} // namespace kaskad::study
