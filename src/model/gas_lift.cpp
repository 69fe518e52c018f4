// The gas-lift run: inputs, run constants, the hydrodynamics of the gas-lift
// tube and the steps of one reactor.
#include "model/gas_lift.h"

#include "model/field_input.h"
#include "model/model_kind.h"
#include "model/reactor_steps.h"
#include "model/terms_cache.h"
#include "numeric/power.h"

namespace kaskad {

namespace {

struct Inputs : SeriesInputs {
    Single ts;
};

// LabeledEdit7 (db) is not read: the tube diameter is the fixed dtb.
Inputs readInputs(const ModelWindow& window, DecimalSeparator separator)
{
    Inputs in{readSeriesInputs(window, separator), {}};
    in.ts = readSingle(window, fieldTs, separator);
    return in;
}

constexpr Double dtb{1.0};   // tube diameter
constexpr Double Dap{0.0};   // apparatus diameter, for the ring count
constexpr Single H{10.0f};
constexpr Single eps{0.01f};
constexpr Single E12{1900.0f};  // E1 and E2, one value
constexpr RateConstants kRate1{Single(6.0f), E12, Single(27.0f)};
constexpr RateConstants kRate2{Single(228.0f), E12, Single(108.0f)};
constexpr RateConstants kRate3{Single(300.0f), Single(2000.0f), Single(66.0f)};
constexpr Single dP{-0.25f};
constexpr long double kOneE6 = 1e-6L;  // 1/10^6 in extended

// What one reactor hands to the next.
struct Carried {
    Single x{0.5f};
    Single y10, y20, y30, y40, y50, y60;
    Single t;
    Single P{6.0f};
};

// The terms of a reactor that depend on its temperature alone.
struct TemperatureTerms {
    LiquidProperties liquid;
    PrandtlPowers prandtl;
    Ext arrhenius12;  // exp(E/(8.314 t)) of k1 and k2, which share E
    Ext arrhenius3;   // that of k3
};

TemperatureTerms temperatureTerms(Single t)
{
    TemperatureTerms terms;
    terms.liquid = liquidProperties(t);
    terms.prandtl = prandtlPowers(terms.liquid);
    terms.arrhenius12 = arrheniusFactor(E12, t);
    terms.arrhenius3 = arrheniusFactor(kRate3.E, t);
    return terms;
}

// The terms of up to 256 temperatures this thread met (some 52 KB).
const TemperatureTerms& temperatureTermsAt(Single t)
{
    thread_local TermsCache<TemperatureTerms, 1, 256> cache;
    return cache.at({bitsOf(t)}, [t] { return temperatureTerms(t); });
}

// Tubes in nr hexagonal rings around a centre tube.
std::int32_t tubeCount()
{
    const std::int32_t nr = RoundCount(((Dap / (2 * dtb)) / 2).value());
    return RoundCount(((PowerOf(nr, 2) * 3 + Ext(3 * nr)) + 1).value());
}

class GasLiftRun {
public:
    GasLiftRun(const GasLiftWindowState& windowState, ModelWindow& window, DecimalSeparator separator,
               const Inputs& in)
        : out_(window, resultWord(ModelKind::gaslift), separator), windowState_(windowState), in_(in)
    {
        state_.y10 = in.y10;
        state_.y50 = in.y50;
        state_.t = in.t;
    }

    void reactor(std::int32_t i)
    {
        out_.beginReactor(i);
        const Single t = state_.t;
        const TemperatureTerms& terms = temperatureTermsAt(t);
        const LiquidProperties& liquid = terms.liquid;
        const Double Pr = terms.prandtl.number.value();
        const Double rog = storeDouble((377.97L * state_.P) / t);
        const Double sig = storeDouble(0.021L - kOneE6 * t);
        const std::int32_t nt = tubeCount();
        const TubeFlow flow = tubeFlow(liquid, rog, sig);
        const Single ALFA = wallHeatTransfer(liquid, flow.us, terms.prandtl.toTheThird);

        // k1 and k2 share their activation energy, and so their exponential.
        const Single k1 = rateConstant(kRate1, terms.arrhenius12, flow.fi);
        const Single k2 = rateConstant(kRate2, terms.arrhenius12, flow.fi);
        const Single k3 = rateConstant(kRate3, terms.arrhenius3, flow.fi);

        state_.P = storeSingle(state_.P + dP);
        // Air flow through the tubes' cross-section.
        const Single Vg = storeSingle((((0.785L * dtb) * dtb) * in_.wg) * nt);
        const AirHeat air = airHeat(state_.P, Vg);

        const Inlet inlet{state_.y10, state_.y20, state_.y30, state_.y40, state_.y50, state_.y60};
        const ResidenceFactors f = residenceFactors(k1, k2, k3, in_.ts);
        const Composition c = leavingComposition(inlet, f.e1, f.e2, solveY3(state_.x, inlet, f, eps).y3);
        const Single q = heatRelease(c, inlet, windowState_.y3h - inlet.y30);
        const Single Q = storeSingle((((PowerOf(dtb, 2) * (0.785L * q)) * H) * nt) / 3600);
        const Single WB = storeSingle((Q / liquid.cp) / air.dTa);
        appendCompositionLines(out_, i, c);
        carry(c);

        const Single ALPE = liquidHeatTransfer(liquid, flow, Pr, terms.prandtl.toTheHalf);
        state_.t = storeSingle(state_.t + in_.dtr);
        appendHeatTransferLines(out_, i, {air.GB, WB, ALFA, ALPE, state_.t, state_.P});
    }

private:
    // The two-phase flow in the tube: the liquid's circulation velocity wl,
    // the gas hold-up fi and the velocities that follow from them.
    TubeFlow tubeFlow(const LiquidProperties& liquid, Double rog, Double sig) const
    {
        const auto& [mu, cp, lam, ro, nu] = liquid;
        const Single wg = in_.wg;
        TubeFlow flow;
        flow.C0 = storeDouble((PowerOf(ro / rog, 0.2L) * 1.4L) * PowerOf((ro - rog) / ro, 5));
        flow.ub = storeDouble(PowerOf(((ro - rog) * (9.81L * sig)) / PowerOf(ro, 2), 0.25L) * 1.5L);
        flow.wl = storeDouble(wgToTheQuarter_ * 1.007L);
        flow.fi = storeDouble(wg / ((wg + flow.wl) + flow.C0 * flow.ub));
        const Double Re = storeDouble((flow.wl * dtb) / nu);
        const Double lf = storeDouble(PowerOf(10 / Re + 0.00116L / dtb, 0.25L) * 0.11L);
        const Double ka = storeDouble((PowerOf(1.44L, 2) * (3.5L * flow.fi)) * (flow.wl - flow.ub));
        const Double vb = riseVelocity(flow.wl, ka, flow.ub);
        const Double tw = storeDouble((PowerOf(flow.wl, 2) * ((lf / 8) * ro)) / PowerOf(1 - flow.fi, 1.75L));
        flow.us = storeSingle(PowerOf(
            PowerOf(1 - flow.fi, 2) * ((((13.032L * nu) * 9.81L) * vb) * flow.fi) + PowerOf(tw / ro, 2), 0.25L));
        return flow;
    }

    // ALFA, the heat transfer to the tube wall, from the friction velocity us.
    static Single wallHeatTransfer(const LiquidProperties& liquid, Single us, Ext prToTheThird)
    {
        const Double Res = storeDouble(((us * dtb) / 2) / liquid.nu);
        const Single Nu = storeSingle(prToTheThird * (PowerOf(Res, 0.95L) * 0.186L));
        return storeSingle((Nu * liquid.lam) / dtb);
    }

    // ALPE, the heat transfer of the liquid, from the slip velocity ws.
    Single liquidHeatTransfer(const LiquidProperties& liquid, const TubeFlow& flow, Double Pr, Ext prToTheHalf) const
    {
        const Double Zp = storeDouble(prToTheHalf * 15 + 4.4L);
        const Double ws = storeDouble(in_.wg / flow.fi - flow.wl / (1 - flow.fi));
        const Double us2 = storeDouble(PowerOf((((13.032L * liquid.nu) * 9.81L) * flow.fi) * ws, 0.25L));
        return storeSingle((((us2 * Pr) * liquid.lam) / Zp) / liquid.nu);
    }

    // k = 1/(A exp(E/(8.314 t)) + ((B/wg^1.2)/dtb^0.5)/(1 - fi)): the kinetic
    // term in series with the air-velocity term of the tube.
    Single rateConstant(const RateConstants& c, Ext arrhenius, Double fi) const
    {
        return storeSingle(
            1 / (kineticTerm(c, arrhenius) + ((c.B / wgToOnePointTwo_) / dtbSquareRoot_) / (1 - fi)));
    }

    // The next reactor's Newton iteration starts from this reactor's y3.
    void carry(const Composition& c)
    {
        state_.x = c.y3;
        state_.y10 = c.y1;
        state_.y50 = c.y5;
        state_.y20 = c.y2;
        state_.y30 = c.y3;
        state_.y40 = c.y4;
        state_.y60 = c.y6;
    }

    ResultWriter out_;
    const GasLiftWindowState& windowState_;
    const Inputs& in_;
    Carried state_;
    // Powers of the air velocity and the tube diameter, the same in every
    // reactor of a run: formed once, a fault carried to the step that uses
    // them.
    const Ext wgToTheQuarter_ = PowerOf(in_.wg, 0.25L);
    const Ext wgToOnePointTwo_ = PowerOf(in_.wg, 1.2L);
    const Ext dtbSquareRoot_ = PowerOf(dtb, 0.5L);
};

} // namespace

Double riseVelocity(Double wl, Double ka, Double ub) { return storeDouble(wl / (1 - ka) + ub); }

void runGasLift(const GasLiftWindowState& windowState, ModelWindow& window, DecimalSeparator separator)
{
    setCalculationFloatingPointEnvironment();
    const Inputs in = readInputs(window, separator);
    GasLiftRun run(windowState, window, separator, in);
    for (std::int32_t i = 1; i <= in.N; ++i)
        run.reactor(i);
}

} // namespace kaskad
