// The gas-lift run: inputs, run constants, the hydrodynamics of the gas-lift
// tube and the steps of one reactor.
#include "model/gas_lift.h"

#include "model/reactor_steps.h"
#include "model/terms_cache.h"
#include "numeric/power.h"

#include <array>

namespace kaskad {

namespace {

struct Inputs : SeriesInputs {
    Single ts;
};

// LabeledEdit7 (db) is not read: the tube diameter is the fixed dtb.
Inputs gasLiftInputs(const ModelInputs& inputs) { return {seriesInputs(inputs), inputs.single(fieldTs)}; }

constexpr Double dtb{1.0}; // tube diameter
constexpr Double Dap{0.0}; // apparatus diameter, for the ring count
constexpr Single H{10.0f};
constexpr Single eps{0.01f};
constexpr Single E12{1900.0f}; // E1 and E2, one value
constexpr RateConstants kRate1{Single(6.0f), E12, Single(27.0f)};
constexpr RateConstants kRate2{Single(228.0f), E12, Single(108.0f)};
constexpr RateConstants kRate3{Single(300.0f), Single(2000.0f), Single(66.0f)};
constexpr Single dP{-0.25f};
constexpr long double kOneE6 = 1e-6L; // 1/10^6 in extended

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
    Ext arrhenius12; // exp(E/(8.314 t)) of k1 and k2, which share E
    Ext arrhenius3;  // that of k3
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

// The terms of up to 256 temperatures this thread met (48 KB).
const TemperatureTerms& temperatureTermsAt(Single t)
{
    thread_local TermsCache<TemperatureTerms, 1, 256> cache;
    return cache.at({bitsOf(t)}, [t] { return temperatureTerms(t); });
}

// The tube flow's terms that depend on the temperature and the pressure
// alone: the gas density, the surface tension, and from them the gas's
// distribution coefficient and a bubble's rise velocity in still liquid.
struct PressureTerms {
    Kept<Double> rog, sig, C0, ub;
};

PressureTerms pressureTerms(Single t, Single P, const LiquidProperties& liquid)
{
    const Double ro = liquid.ro;
    PressureTerms terms;
    terms.rog = keepDouble((377.97L * P) / t);
    terms.sig = keepDouble(0.021L - kOneE6 * t);
    terms.C0 = keepDouble((PowerOf(ro / terms.rog, 0.2L) * 1.4L) * PowerOf((ro - terms.rog) / ro, 5));
    terms.ub = keepDouble(PowerOf(((ro - terms.rog) * (kGravity * terms.sig)) / PowerOf(ro, 2), 0.25L) * 1.5L);
    return terms;
}

// The terms of up to 256 pairs of temperature and pressure this thread met
// (11 KB): the same in every run whose reactors reach them, whatever its air
// velocity, so a search over the air velocity forms them once.
const PressureTerms& pressureTermsAt(Single t, Single P, const LiquidProperties& liquid)
{
    thread_local TermsCache<PressureTerms, 2, 256> cache;
    return cache.at({bitsOf(t), bitsOf(P)}, [&] { return pressureTerms(t, P, liquid); });
}

// Tubes in nr hexagonal rings around a centre tube.
std::int32_t tubeCount()
{
    const std::int32_t nr = roundCount(((Dap / (2 * dtb)) / 2).value());
    return roundCount(((PowerOf(nr, 2) * 3 + Ext(3 * nr)) + 1).value());
}

class GasLiftRun {
public:
    GasLiftRun(const GasLiftWindowState& windowState, ResultWriter& out, const Inputs& in)
        : out_(out), windowState_(windowState), in_(in)
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
        terms.prandtl.number.value(); // stored first
        const FlowTerms& flow = flowTermsAt(t, terms);
        raiseFirstError(flow.beforeAirHeat);
        const Single ALFA = flow.ALFA.value();
        const Single k1 = flow.k[0].value();
        const Single k2 = flow.k[1].value();
        const Single k3 = flow.k[2].value();

        state_.P = storeSingle(state_.P + dP);
        // Air flow through the tubes' cross-section.
        const Single Vg = storeSingle((((0.785L * dtb) * dtb) * in_.wg) * nt_);
        const AirHeat air = airHeat(state_.P, Vg);

        const Inlet inlet{state_.y10, state_.y20, state_.y30, state_.y40, state_.y50, state_.y60};
        const ResidenceFactors f = residenceFactors(k1, k2, k3, in_.ts);
        const Composition c = leavingComposition(inlet, f.e1, f.e2, solveY3(state_.x, inlet, f, eps).y3);
        const Single q = heatRelease(c, inlet, windowState_.y3h - inlet.y30);
        const Single Q = storeSingle((((PowerOf(dtb, 2) * (0.785L * q)) * H) * nt_) / 3600);
        const Single WB = storeSingle((Q / terms.liquid.cp) / air.dTa);
        appendCompositionLines(out_, i, c);
        carry(c);

        raiseFirstError(flow.afterComposition);
        const Single ALPE = flow.ALPE.value();
        state_.t = storeSingle(state_.t + in_.dtr);
        appendHeatTransferLines(out_, i, {air.GB, WB, ALFA, ALPE, state_.t, state_.P});
    }

private:
    // The values a reactor stores from its temperature, its pressure and the
    // air velocity alone, in two groups with the first error of each: the
    // tube flow, ALFA and k1..k3, stored before the air heat, and ALPE,
    // stored after the composition.
    struct FlowTerms {
        Kept<Single> ALFA;
        std::array<Kept<Single>, 3> k;
        Kept<Single> ALPE;
        Fault beforeAirHeat = Fault::none;
        Fault afterComposition = Fault::none;
    };

    FlowTerms flowTerms(Single t, const TemperatureTerms& terms) const
    {
        const LiquidProperties& liquid = terms.liquid;
        FlowTerms flowTerms;
        StoresAhead before;
        const TubeFlow flow = tubeFlow(before, liquid, pressureTermsAt(t, state_.P, liquid));
        flowTerms.ALFA = wallHeatTransfer(before, liquid, flow.us, terms.prandtl.toTheThird);
        // k1 and k2 share their activation energy, and so their exponential.
        flowTerms.k = {rateConstant(before, kRate1, terms.arrhenius12, flow.fi),
                       rateConstant(before, kRate2, terms.arrhenius12, flow.fi),
                       rateConstant(before, kRate3, terms.arrhenius3, flow.fi)};
        flowTerms.beforeAirHeat = before.firstError();
        StoresAhead after;
        flowTerms.ALPE = liquidHeatTransfer(after, liquid, flow, terms.prandtl.number, terms.prandtl.toTheHalf);
        flowTerms.afterComposition = after.firstError();
        return flowTerms;
    }

    // The flow terms of up to 256 combinations of temperature, pressure and
    // air velocity this thread met (15 KB).
    const FlowTerms& flowTermsAt(Single t, const TemperatureTerms& terms) const
    {
        thread_local TermsCache<FlowTerms, 3, 256> cache;
        return cache.at({bitsOf(t), bitsOf(state_.P), bitsOf(in_.wg)}, [&] { return flowTerms(t, terms); });
    }

    // The two-phase flow in the tube: the liquid's circulation velocity wl,
    // the gas hold-up fi and the velocities that follow from them.
    TubeFlow tubeFlow(StoresAhead& stores, const LiquidProperties& liquid, const PressureTerms& pressure) const
    {
        const auto& [mu, cp, lam, ro, nu] = liquid;
        const Single wg = in_.wg;
        TubeFlow flow;
        stores.noted(pressure.rog);
        stores.noted(pressure.sig);
        flow.C0 = stores.noted(pressure.C0);
        flow.ub = stores.noted(pressure.ub);
        flow.wl = stores.keepDouble(wgToTheQuarter_ * 1.007L);
        flow.fi = stores.keepDouble(wg / ((wg + flow.wl) + flow.C0 * flow.ub));
        const Kept<Double> Re = stores.keepDouble((flow.wl * dtb) / nu);
        const Kept<Double> lf = stores.keepDouble(PowerOf(10 / Re + 0.00116L / dtb, 0.25L) * 0.11L);
        const Kept<Double> ka = stores.keepDouble((PowerOf(1.44L, 2) * (3.5L * flow.fi)) * (flow.wl - flow.ub));
        const Kept<Double> vb = stores.keepDouble(riseVelocityTerm(flow.wl, ka, flow.ub));
        const Kept<Double> tw =
            stores.keepDouble((PowerOf(flow.wl, 2) * ((lf / 8) * ro)) / PowerOf(1 - flow.fi, 1.75L));
        flow.us = stores.keepSingle(PowerOf(
            PowerOf(1 - flow.fi, 2) * ((((13.032L * nu) * kGravity) * vb) * flow.fi) + PowerOf(tw / ro, 2), 0.25L));
        return flow;
    }

    // ALFA, the heat transfer to the tube wall, from the friction velocity us.
    static Kept<Single> wallHeatTransfer(StoresAhead& stores, const LiquidProperties& liquid, Kept<Single> us,
                                         Ext prToTheThird)
    {
        const Kept<Double> Res = stores.keepDouble(((us * dtb) / 2) / liquid.nu);
        const Kept<Single> Nu = stores.keepSingle(prToTheThird * (PowerOf(Res, 0.95L) * 0.186L));
        return stores.keepSingle((Nu * liquid.lam) / dtb);
    }

    // ALPE, the heat transfer of the liquid, from the slip velocity ws.
    Kept<Single> liquidHeatTransfer(StoresAhead& stores, const LiquidProperties& liquid, const TubeFlow& flow,
                                    Kept<Double> Pr, Ext prToTheHalf) const
    {
        const Kept<Double> Zp = stores.keepDouble(prToTheHalf * 15 + 4.4L);
        const Kept<Double> ws = stores.keepDouble(in_.wg / flow.fi - flow.wl / (1 - flow.fi));
        const Kept<Double> us2 = stores.keepDouble(PowerOf((((13.032L * liquid.nu) * kGravity) * flow.fi) * ws, 0.25L));
        return stores.keepSingle((((us2 * Pr) * liquid.lam) / Zp) / liquid.nu);
    }

    // k = 1/(A exp(E/(8.314 t)) + ((B/wg^1.2)/dtb^0.5)/(1 - fi)): the kinetic
    // term in series with the air-velocity term of the tube.
    Kept<Single> rateConstant(StoresAhead& stores, const RateConstants& c, Ext arrhenius, Kept<Double> fi) const
    {
        return stores.keepSingle(1 /
                                 (kineticTerm(c, arrhenius) + ((c.B / wgToOnePointTwo_) / dtbSquareRoot_) / (1 - fi)));
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

    ResultWriter& out_;
    const GasLiftWindowState& windowState_;
    const Inputs& in_;
    Carried state_;
    // Powers of the air velocity and the tube diameter, the same in every
    // reactor of a run: formed once, a fault carried to the step that uses
    // them.
    const Ext wgToTheQuarter_ = PowerOf(in_.wg, 0.25L);
    const Ext wgToOnePointTwo_ = PowerOf(in_.wg, 1.2L);
    const Ext dtbSquareRoot_ = PowerOf(dtb, 0.5L);
    // The tube count, the same in every reactor.
    const std::int32_t nt_ = tubeCount();
};

} // namespace

void runGasLiftAsCreated(const ModelInputs& inputs, ResultWriter& out)
{
    const GasLiftWindowState windowState{Single(0.0f)};
    runGasLift(windowState, inputs, out);
}

Ext riseVelocityTerm(Ext wl, Ext ka, Ext ub) { return wl / (1 - ka) + ub; }

Double riseVelocity(Double wl, Double ka, Double ub) { return storeDouble(riseVelocityTerm(wl, ka, ub)); }

void runGasLift(const GasLiftWindowState& windowState, const ModelInputs& inputs, ResultWriter& out)
{
    setCalculationFloatingPointEnvironment();
    const Inputs in = gasLiftInputs(inputs);
    GasLiftRun run(windowState, out, in);
    for (std::int32_t i = 1; i <= in.N; ++i)
        run.reactor(i);
}

} // namespace kaskad
