// The sensitivity charts' scenes: the tornado's bars ranked by how far the
// margin moves, the widest on top, its lines at the nominal margin and at 0,
// the axes' numbers with the separator given; the histogram's share.
#include "chart/sensitivity_scenes.h"

#include <QApplication>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>

#include <gtest/gtest.h>

#include <algorithm>

namespace kaskad::chart {
namespace {

QChart* chartOf(const QGraphicsScene& scene)
{
    for (QGraphicsItem* item : scene.items())
        if (auto* chart = dynamic_cast<QChart*>(item))
            return chart;
    throw std::logic_error("no chart in the scene");
}

// An axis's labels in the order of their values, highest first when `down`.
QStringList labelsOf(const QChart& chart, Qt::Orientation orientation, bool down)
{
    auto* axis = static_cast<QCategoryAxis*>(chart.axes(orientation).front());
    QStringList labels = axis->categoriesLabels();
    std::sort(labels.begin(), labels.end(), [axis, down](const QString& a, const QString& b) {
        return down ? axis->endValue(a) > axis->endValue(b) : axis->endValue(a) < axis->endValue(b);
    });
    return labels;
}

// The x of the vertical line named `name`; NaN where there is none or it leans.
double verticalLineAt(const QChart& chart, const QString& name)
{
    for (QAbstractSeries* series : chart.series())
        if (auto* line = dynamic_cast<QLineSeries*>(series);
            line && line->name() == name && line->count() == 2 && line->at(0).x() == line->at(1).x())
            return line->at(0).x();
    return std::nan("");
}

struct TornadoCase {
    const char* name;
    TornadoChart chart;
    const char* topDown; // the bars' labels, top first
    const char* ticks;   // the margin axis's labels with "," as separator
};

void PrintTo(const TornadoCase& row, std::ostream* out) { *out << row.name; }

class Tornado : public ::testing::TestWithParam<TornadoCase> {};

TEST_P(Tornado, RanksItsBarsAndPlacesItsLines)
{
    const TornadoCase& row = GetParam();
    const auto scene = tornadoScene(row.chart, QStringLiteral(","), QSize(900, 600));
    const QChart& chart = *chartOf(*scene);
    EXPECT_EQ(labelsOf(chart, Qt::Vertical, true).join(QLatin1Char('|')).toStdString(), row.topDown);
    EXPECT_EQ(labelsOf(chart, Qt::Horizontal, false).join(QLatin1Char(' ')).toStdString(), row.ticks);
    EXPECT_EQ(verticalLineAt(chart, QStringLiteral("граница (запас 0)")), 0.0);
    EXPECT_EQ(verticalLineAt(chart, QStringLiteral("номинальный запас")), row.chart.nominal);
}

INSTANTIATE_TEST_SUITE_P(
    Scene, Tornado,
    ::testing::Values(TornadoCase{"NominalBetweenTheEnds",
                                  {{{"t ±1", 0.03, 0.05}, {"wg ±5%", 0.06, 0.01}, {"ts ±10", 0.039, 0.041}}, 0.04, {}},
                                  "wg ±5%|t ±1|ts ±10",
                                  "-0,01 0,00 0,01 0,02 0,03 0,04 0,05 0,06 0,07"},
                      // At a kink both ends lose margin: the bar reaches from the nominal
                      // margin, though its ends lie close together.
                      TornadoCase{"BothEndsBelowTheNominal",
                                  {{{"d (±1%)", 0.035, 0.045}, {"wg ±5%", 0.0168, 0.0103}}, 0.0404, {}},
                                  "wg ±5%|d (±1%)",
                                  "-0,01 0,00 0,01 0,02 0,03 0,04 0,05"},
                      TornadoCase{"NominalFailingTiesInTheirOrder",
                                  {{{"y10 ±0.1", -0.3, 0.1}, {"y50 ±0.1", 0.1, -0.3}, {"t ±1", -0.2, -0.15}}, -0.1, {}},
                                  "y10 ±0.1|y50 ±0.1|t ±1",
                                  "-0,4 -0,3 -0,2 -0,1 0,0 0,1 0,2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MarginHistogram, TitlesTheShareMeetingTheCriterion)
{
    const double margins[] = {-0.5, 0.1, 0.2, 0.3, 0, -0.05, 0.25, 0.4};
    const auto scene = marginHistogramScene(margins, QStringLiteral("caption"), QStringLiteral(","), QSize(600, 400));
    const QChart& chart = *chartOf(*scene);
    EXPECT_EQ(chart.title().toStdString(), "Запас по критерию: критерий выполнен в 75,0 % из 8");
    EXPECT_EQ(verticalLineAt(chart, QStringLiteral("граница (запас 0)")), 0.0);
}

} // namespace
} // namespace kaskad::chart

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
