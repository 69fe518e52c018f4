// The gas-lift run: inputs, run constants, the hydrodynamics of the gas-lift
// tube and the steps of one reactor.
#include "model/gas_lift.h"

#include "model/field_input.h"
#include "model/reactor_steps.h"
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
    in.ts = readSingle(window, 8, separator);
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

class GasLiftRun {
public:
    GasLiftRun(const GasLiftWindowState& windowState, ModelWindow& window, DecimalSeparator separator,
               const Inputs& in)
        : out_(window, "реактор", separator), windowState_(windowState), in_(in)
    {
        state_.y10 = in.y10;
        state_.y50 = in.y50;
        state_.t = in.t;
    }

    void reactor(std::int32_t i)
    {
        const Single t = state_.t;
        const Single wg = in_.wg;
        const LiquidProperties liquid = liquidProperties(t);
        const auto& [mu, cp, lam, ro, nu] = liquid;
        const Double Pr = prandtlNumber(liquid);
        const Double rog = storeDouble((377.97L * state_.P) / t);
        const Double sig = storeDouble(0.021L - kOneE6 * t);

        // Tubes in nr hexagonal rings around a centre tube.
        const std::int32_t nr = RoundCount(((Dap / (2 * dtb)) / 2).value());
        const std::int32_t nt = RoundCount(((PowerOf(nr, 2) * 3 + Ext(3 * nr)) + 1).value());

        const Double C0 = storeDouble((PowerOf(ro / rog, 0.2L) * 1.4L) * PowerOf((ro - rog) / ro, 5));
        const Double ub = storeDouble(PowerOf(((ro - rog) * (9.81L * sig)) / PowerOf(ro, 2), 0.25L) * 1.5L);
        const Double wl = storeDouble(wgToTheQuarter_ * 1.007L);
        const Double fi = storeDouble(wg / ((wg + wl) + C0 * ub));
        const Double Re = storeDouble((wl * dtb) / nu);
        const Double lf = storeDouble(PowerOf(10 / Re + 0.00116L / dtb, 0.25L) * 0.11L);
        const Double ka = storeDouble((PowerOf(1.44L, 2) * (3.5L * fi)) * (wl - ub));
        const Double vb = storeDouble(wl / (1 - ka) + ub);
        const Double tw = storeDouble((PowerOf(wl, 2) * ((lf / 8) * ro)) / PowerOf(1 - fi, 1.75L));
        const Single us = storeSingle(
            PowerOf(PowerOf(1 - fi, 2) * ((((13.032L * nu) * 9.81L) * vb) * fi) + PowerOf(tw / ro, 2), 0.25L));

        const Double Res = storeDouble(((us * dtb) / 2) / nu);
        PowersOf powersOfPr(Pr);
        const Single Nu = storeSingle(powersOfPr.to(0.333L) * (PowerOf(Res, 0.95L) * 0.186L));
        const Single ALFA = storeSingle((Nu * lam) / dtb);

        // k1 and k2 share their activation energy, and so their exponential.
        const Ext arrhenius12 = arrheniusFactor(E12, t);
        const Single k1 = rateConstant(kRate1, arrhenius12, fi);
        const Single k2 = rateConstant(kRate2, arrhenius12, fi);
        const Single k3 = rateConstant(kRate3, arrheniusFactor(kRate3.E, t), fi);

        state_.P = storeSingle(state_.P + dP);
        // Air flow through the tubes' cross-section.
        const Single Vg = storeSingle((((0.785L * dtb) * dtb) * wg) * nt);
        const AirHeat air = airHeat(state_.P, Vg);

        const Inlet inlet{state_.y10, state_.y20, state_.y30, state_.y40, state_.y50, state_.y60};
        const ResidenceFactors f = residenceFactors(k1, k2, k3, in_.ts);
        const Single y3 = solveY3(state_.x, inlet, f, eps).y3;
        const Composition c = leavingComposition(inlet, f.e1, f.e2, y3);
        const Single q = heatRelease(c, inlet, windowState_.y3h - inlet.y30);
        const Single Q = storeSingle((((PowerOf(dtb, 2) * (0.785L * q)) * H) * nt) / 3600);
        const Single WB = storeSingle((Q / cp) / air.dTa);
        appendCompositionLines(out_, i, c);
        carry(c);

        const Double Zp = storeDouble(powersOfPr.to(0.5L) * 15 + 4.4L);
        const Double ws = storeDouble(wg / fi - wl / (1 - fi));
        const Double us2 = storeDouble(PowerOf((((13.032L * nu) * 9.81L) * fi) * ws, 0.25L));
        const Single ALPE = storeSingle((((us2 * Pr) * lam) / Zp) / nu);

        state_.t = storeSingle(state_.t + in_.dtr);
        appendHeatTransferLines(out_, i, {air.GB, WB, ALFA, ALPE, state_.t, state_.P});
    }

private:
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

void runGasLift(const GasLiftWindowState& windowState, ModelWindow& window, DecimalSeparator separator)
{
    setCalculationFloatingPointEnvironment();
    const Inputs in = readInputs(window, separator);
    GasLiftRun run(windowState, window, separator, in);
    for (std::int32_t i = 1; i <= in.N; ++i)
        run.reactor(i);
}

} // namespace kaskad
