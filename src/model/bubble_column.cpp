// The bubble-column run: inputs, run constants and the steps of one reactor.
#include "model/bubble_column.h"

#include "model/reactor_steps.h"
#include "model/terms_cache.h"
#include "numeric/power.h"

#include <array>

namespace kaskad {

namespace {

struct Inputs : SeriesInputs {
    Double d;
    Single ts;
};

Inputs bubbleInputs(const ModelInputs& inputs)
{
    return {seriesInputs(inputs), inputs.wide(fieldDiameter), inputs.single(fieldTs)};
}

constexpr Single H{10.0f};
constexpr Double eps{0.01};
constexpr RateConstants kRate1{Double(0.59), Double(93.4), Double(273.6)};
constexpr RateConstants kRate2{Double(213.45), Double(2717.07), Double(1223.07)};
constexpr RateConstants kRate3{Double(673.496), Double(2003.328), Double(566.402)};
constexpr Double dP{-0.25};

// What one reactor hands to the next.
struct Carried {
    Single x{0.5f};
    Single y10, y50;
    Double y20, y30, y40;
    Single t;
    Double P{6.0};
};

// The terms of a reactor that depend on its temperature alone.
struct TemperatureTerms {
    LiquidProperties liquid;
    std::array<Ext, 3> kinetic; // A exp(E/(8.314 t)) of k1, k2, k3
    Ext gravityViscosity;       // (g nu)^0.333
    PrandtlPowers prandtl;
    Ext viscositySquared; // (nu nu)^0.333
};

TemperatureTerms temperatureTerms(Single t)
{
    TemperatureTerms terms;
    terms.liquid = liquidProperties(t);
    const Single nu = terms.liquid.nu;
    terms.kinetic = {kineticTerm(kRate1, t), kineticTerm(kRate2, t), kineticTerm(kRate3, t)};
    terms.gravityViscosity = PowerOf(kGravity * nu, 0.333L);
    terms.prandtl = prandtlPowers(terms.liquid);
    terms.viscositySquared = PowerOf(nu * nu, 0.333L);
    return terms;
}

// The terms of up to 256 temperatures this thread met (72 KB).
const TemperatureTerms& temperatureTermsAt(Single t)
{
    thread_local TermsCache<TemperatureTerms, 1, 256> cache;
    return cache.at({bitsOf(t)}, [t] { return temperatureTerms(t); });
}

// PowerOf(g, 0.333), the same in every reactor: formed once.
Ext gravityPower()
{
    static const Ext value = PowerOf(kGravity, 0.333L);
    return value;
}

// 0.146 Pr^0.333 Fr^0.25 up to Fr = 18 inclusive, 0.3 Pr^0.333 beyond.
Ext nusseltTerm(Double Fr, Ext prToTheThird)
{
    if (Fr <= 18)
        return (prToTheThird * PowerOf(Fr, 0.25L)) * 0.146L;
    return prToTheThird * 0.3L;
}

// The values a reactor stores that depend on its temperature and the air
// velocity alone, each with the error its store raises, if any.
struct AirVelocityTerms {
    Kept<Single> wd;               // 2.2 (g nu wg)^0.25
    std::array<Kept<Single>, 3> k; // k1, k2, k3
    Kept<Double> Fr;
    Kept<Single> Nu, ALFA, ALPE;
};

// k = 1/(A exp(E/(8.314 t)) + B/wg): the kinetic term in series with the
// air-velocity term.
Kept<Single> rateConstant(Ext kineticTerm, const RateConstants& c, Single wg)
{
    return keepSingle(1 / (kineticTerm + c.B / wg));
}

AirVelocityTerms airVelocityTerms(const TemperatureTerms& terms, Single wg)
{
    const auto& [mu, cp, lam, ro, nu] = terms.liquid;
    AirVelocityTerms a;
    a.wd = keepSingle(PowerOf((kGravity * nu) * wg, 0.25L) * 2.2L);
    a.k = {rateConstant(terms.kinetic[0], kRate1, wg), rateConstant(terms.kinetic[1], kRate2, wg),
           rateConstant(terms.kinetic[2], kRate3, wg)};
    a.Fr = keepDouble(wg / terms.gravityViscosity);
    // Nu compares Fr: only a stored Fr is compared, as the run stores it first.
    a.Nu = a.Fr.isStored() ? keepSingle(nusseltTerm(a.Fr.value(), terms.prandtl.toTheThird))
                           : Kept<Single>::failed(a.Fr.fault());
    a.ALFA = keepSingle((gravityPower() * (a.Nu * lam)) / terms.viscositySquared);
    a.ALPE = keepSingle((((terms.prandtl.number * lam) * a.wd) / (terms.prandtl.toTheHalf * 15 + 4.4L)) / nu);
    return a;
}

// The terms of up to 256 pairs of temperature and air velocity this thread
// met (22 KB).
const AirVelocityTerms& airVelocityTermsAt(Single t, Single wg, const TemperatureTerms& terms)
{
    thread_local TermsCache<AirVelocityTerms, 2, 256> cache;
    return cache.at({bitsOf(t), bitsOf(wg)}, [&] { return airVelocityTerms(terms, wg); });
}

class BubbleColumnRun {
public:
    BubbleColumnRun(ResultWriter& out, const Inputs& in) : out_(out), in_(in)
    {
        state_.y10 = in.y10;
        state_.y50 = in.y50;
        state_.t = in.t;
        // The reactor's volume d² (π/4) H: the model writes π/4 as 0.784 here
        // and as 0.785 in the air flow; each is kept as the model has it.
        Vr_ = storeDouble(((in.d * in.d) * 0.784L) * H);
    }

    void reactor(std::int32_t i)
    {
        out_.beginReactor(i);
        const Single t = state_.t;
        const Single wg = in_.wg;
        const TemperatureTerms& terms = temperatureTermsAt(t);
        const AirVelocityTerms& velocityTerms = airVelocityTermsAt(t, wg, terms);
        velocityTerms.wd.value(); // stored first, ALPE takes it
        const Single k1 = velocityTerms.k[0].value();
        const Single k2 = velocityTerms.k[1].value();
        const Single k3 = velocityTerms.k[2].value();
        const Single Vg = storeSingle(airFlow_);
        state_.P = storeDouble(state_.P + dP);
        const AirHeat air = airHeat(state_.P, Vg);

        const Inlet inlet{state_.y10, state_.y20, state_.y30, state_.y40, state_.y50, Ext(0.0L)};
        const ResidenceFactors f = residenceFactors(k1, k2, k3, in_.ts);
        const Single y3 = solveY3(state_.x, inlet, f, eps).y3;
        const Composition c = leavingComposition(inlet, f.e1, f.e2, y3);
        const Single q = heatRelease(c, inlet, inlet.y30);
        const Single Q = storeSingle((q * Vr_) / 3600);
        const Single WB = storeSingle((Q / terms.liquid.cp) / air.dTa);
        appendCompositionLines(out_, i, c);
        carry(c);

        // Stored in the order of their formulas, each raising its error here.
        velocityTerms.Fr.value();
        terms.prandtl.number.value();
        velocityTerms.Nu.value();
        const Single ALFA = velocityTerms.ALFA.value();
        const Single ALPE = velocityTerms.ALPE.value();

        appendHeatTransferLines(out_, i, {air.GB, WB, ALFA, ALPE, t, state_.P});
        state_.t = storeSingle(state_.t + in_.dtr);
    }

private:
    // The next reactor's Newton iteration starts from this reactor's y3.
    void carry(const Composition& c)
    {
        state_.x = c.y3;
        state_.y10 = c.y1;
        state_.y50 = c.y5;
        state_.y20 = storeDouble(c.y2);
        state_.y30 = storeDouble(c.y3);
        state_.y40 = storeDouble(c.y4);
    }

    ResultWriter& out_;
    const Inputs& in_;
    Carried state_;
    Double Vr_;
    // The air flow ((0.785 d) d) wg: the same in every reactor of a run,
    // formed once, a fault carried to the step that uses it.
    const Ext airFlow_ = ((0.785L * in_.d) * in_.d) * in_.wg;
};

} // namespace

Single bubbleNusseltNumber(Double Fr, Ext prToTheThird) { return storeSingle(nusseltTerm(Fr, prToTheThird)); }

void runBubbleColumn(const ModelInputs& inputs, ResultWriter& out)
{
    setCalculationFloatingPointEnvironment();
    const Inputs in = bubbleInputs(inputs);
    BubbleColumnRun run(out, in);
    for (std::int32_t i = 1; i <= in.N; ++i)
        run.reactor(i);
}

} // namespace kaskad
