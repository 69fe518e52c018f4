// Formulas shared by both reactor designs.
#include "model/reactor_steps.h"

#include "model/terms_cache.h"
#include "numeric/errors.h"
#include "numeric/power.h"

#include <array>
#include <optional>

namespace kaskad {

namespace {
// 1e-8 is 1/10^8 formed in extended precision, the extended value nearest
// to 10^-8; 8e-8 is exactly eight times it.
constexpr long double kOneE8 = 1e-8L;
} // namespace

LiquidProperties liquidProperties(Single t)
{
    LiquidProperties p;
    p.mu = storeSingle(0.000235L - kOneE8 * t);
    p.cp = storeSingle(t / 100 + 1900);
    p.lam = storeSingle(((t * t) * (8 * kOneE8) - 0.0001L * t) + 0.1531L);
    p.ro = storeDouble(((t * t) * 0.0003L - 0.672L * t) + 1087.4L);
    p.nu = storeSingle(p.mu / p.ro);
    return p;
}

PrandtlPowers prandtlPowers(const LiquidProperties& liquid)
{
    const Kept<Double> number = keepDouble((liquid.cp * liquid.mu) / liquid.lam);
    PowersOf powers(number);
    return {number, powers.to(0.333L), powers.to(0.5L)};
}

Ext arrheniusFactor(Ext E, Single t) { return Exp((E / t) / 8.314L); }

namespace {

Single compressedAirTemperature(Ext P) { return storeSingle(PowerOf(P, (kappa - 1) / kappa) * Ta0); }

// Every series works at the pressures 6 - 0.25 i: the air temperatures of
// reactors 1 to 24 are formed once, on first use inside a run, and looked up.
constexpr int kSeriesPressures = 24;

const std::array<Single, kSeriesPressures + 1>& seriesTemperatures()
{
    static const std::array<Single, kSeriesPressures + 1> temperatures = [] {
        std::array<Single, kSeriesPressures + 1> formed;
        for (int i = 0; i <= kSeriesPressures; ++i)
            formed[static_cast<std::size_t>(i)] = compressedAirTemperature(6 - 0.25L * i);
        return formed;
    }();
    return temperatures;
}

// i when P is the series pressure 6 - 0.25 i: (6 - P) * 4 is a whole step
// from 0 to 24, the step rounded to an integer and back is the step itself.
// Raises P's fault, if it carries one.
std::optional<std::size_t> seriesStep(Ext P)
{
    const long double step = (6 - P.value()) * 4;
    if (step >= 0 && step <= kSeriesPressures) {
        const std::int64_t whole = x87::toInteger(step);
        if (static_cast<long double>(whole) == step)
            return static_cast<std::size_t>(whole);
    }
    return std::nullopt;
}

AirHeat airHeatAt(Single Ta, Single Vg)
{
    AirHeat air;
    air.Ta = Ta;
    air.dTa = storeSingle(air.Ta - 353);
    air.Qa = storeSingle(((1.29L * Vg) * 1030) * air.dTa);
    air.GB = storeSingle((air.Qa / 4190) / 30);
    return air;
}

} // namespace

AirHeat airHeat(Ext P, Single Vg)
{
    const std::optional<std::size_t> step = seriesStep(P);
    if (!step)
        return airHeatAt(compressedAirTemperature(P), Vg);
    // Per series pressure, the air heat of the air flow last met there on
    // this thread: run after run of a study that leaves the flow fixed, each
    // reactor's is formed once. A miss costs one comparison. 25 entries of
    // 24 bytes.
    struct LastAirHeat {
        std::uint32_t flowBits = 0;
        bool held = false;
        AirHeat air;
    };
    thread_local std::array<LastAirHeat, kSeriesPressures + 1> last;
    LastAirHeat& entry = last[*step];
    if (entry.held && entry.flowBits == bitsOf(Vg))
        return entry.air;
    const AirHeat air = airHeatAt(seriesTemperatures()[*step], Vg);
    entry = {bitsOf(Vg), true, air};
    return air;
}

ResidenceFactors residenceFactors(Single k1, Single k2, Single k3, Single ts)
{
    return {Exp(-k1 * ts), Exp(-k2 * ts), ts * k3};
}

NewtonResult solveY3(Single& x, const Inlet& in, const ResidenceFactors& f, Ext eps)
{
    const auto [e1, e2, c3] = f;
    // The terms that do not depend on x, the same in every iteration.
    const Ext y1Left = in.y10 - e1 * in.y10;
    const Ext y5Decayed = e2 * in.y50;
    for (int iteration = 1;; ++iteration) {
        const Single fx = storeSingle((x - in.y30) - (((in.y50 - x) - y5Decayed) + in.y40) *
                                                         ((((y1Left - x) + in.y20) + in.y30) * c3));
        const Single dfx =
            storeSingle((((((((y1Left + in.y50) - y5Decayed) - 2 * x) + in.y20) + in.y30) + in.y40) * c3) + 1);
        const Single dx = storeSingle(fx / dfx);
        const Single y3 = storeSingle(x - dx);
        if (abs(dx) < eps)
            return {y3, iteration};
        if (iteration == kNewtonIterationLimit)
            throw ENoConvergence(kNewtonIterationLimit);
        x = y3;
    }
}

Composition leavingComposition(const Inlet& in, Ext e1, Ext e2, Single y3)
{
    Composition out;
    out.y3 = y3;
    out.y1 = storeSingle(e1 * in.y10);
    out.y2 = storeSingle((((in.y10 - out.y1) - y3) + in.y20) + in.y30);
    out.y5 = storeSingle(e2 * (in.y50 - in.y30) + y3);
    out.y4 = storeSingle((in.y50 - out.y5) + in.y40);
    out.y6 = storeSingle((((in.y10 - out.y1) - out.y5) + in.y50) + y3);
    return out;
}

Single heatRelease(const Composition& out, const Inlet& in, Ext y3Term)
{
    return storeSingle(1000 * (((((24.34L * abs(out.y1 - in.y10) + 8430 * abs(out.y2 - in.y20)) + 826 * abs(y3Term)) +
                                 789.2L * abs(out.y4 - in.y40)) +
                                425.2L * abs(out.y5 - in.y50)) +
                               242.2L * abs(out.y6 - in.y60)));
}

void appendCompositionLines(ResultWriter& out, std::int32_t i, const Composition& c)
{
    out.append(paneY1, i, c.y1.value());
    out.append(paneY2, i, c.y2.value());
    out.append(paneY3, i, c.y3.value());
    out.append(paneY4, i, c.y4.value());
    out.append(paneY5, i, c.y5.value());
    out.append(paneY6, i, c.y6.value());
}

void appendHeatTransferLines(ResultWriter& out, std::int32_t i, const HeatTransferLines& lines)
{
    out.append(paneGB, i, lines.GB.value());
    out.append(paneWB, i, lines.WB.value());
    out.append(paneALFA, i, lines.ALFA.value());
    out.append(paneALPE, i, lines.ALPE.value());
    out.append(paneT, i, lines.t.value());
    out.append(paneP, i, static_cast<double>(lines.P.value())); // a single or a double
}

} // namespace kaskad
