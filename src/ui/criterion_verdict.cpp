// The model window's verdict on its newest run.
#include "ui/criterion_verdict.h"

#include "model/criterion.h"
#include "ui/qt_text.h"

#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <stdexcept>

namespace kaskad::ui {

namespace {

// "реактор 24", "реакторы 17–24", "реакторы 3, 5–7".
QString reactorsText(const std::vector<std::int32_t>& reactors)
{
    QStringList runs;
    for (std::size_t first = 0; first < reactors.size();) {
        std::size_t last = first;
        while (last + 1 < reactors.size() && reactors[last + 1] == reactors[last] + 1)
            ++last;
        runs << (last == first ? QString::number(reactors[first])
                               : QStringLiteral("%1–%2").arg(reactors[first]).arg(reactors[last]));
        first = last + 1;
    }
    return (reactors.size() == 1 ? QStringLiteral("реактор ") : QStringLiteral("реакторы ")) +
           runs.join(QStringLiteral(", "));
}

QString errorLine(const RunError& error)
{
    const QString where = error.reactor == 0 ? QStringLiteral("при чтении исходных данных")
                                             : QStringLiteral("на реакторе %1").arg(error.reactor);
    return QStringLiteral("Расчёт прерван %1: %2").arg(where, toQString(error.message));
}

// The reactors where a run's values break the physical limits, a line per
// quantity in store order: "Вне физических пределов: GB < 0 — отрицательный
// расход воздуха, реакторы 17–24".
QStringList brokenLimitLines(const RunRecord& run)
{
    QStringList lines;
    for (const Pane pane : kStoreOrder) {
        const std::optional<PhysicalLimit>& limit = quantityOf(pane).limit;
        std::vector<std::int32_t> reactors;
        for (const ReactorResult& reactor : run.reactors)
            if (reactor.has(pane) && brokenPhysicalLimit(pane, reactor.value(pane)))
                reactors.push_back(reactor.reactor());
        if (limit && !reactors.empty())
            lines << QStringLiteral("Вне физических пределов: %1 — %2, %3")
                         .arg(toQString(limit->rule), toQString(limit->reason), reactorsText(reactors));
    }
    return lines;
}

} // namespace

CriterionVerdict::CriterionVerdict(const QWidget& window, ModelKind model, std::string_view captionName) : model_(model)
{
    auto* caption = window.findChild<QLabel*>(toQString(captionName));
    if (!caption)
        throw std::logic_error("window layout has no criterion caption " + std::string(captionName));
    caption_ = {caption, caption->palette()};
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    for (const CriterionBound& bound : criterionBounds(model))
        for (QLabel* label : labels)
            if (label->text() == toQString(bound.label))
                bounds_.push_back({label, label->palette()});
    if (bounds_.size() != criterionBounds(model).size())
        throw std::logic_error("window layout does not show every bound of its criterion");
}

void CriterionVerdict::mark(const Label& label, const QColor& colour, const QString& tip)
{
    // The role the label draws its text in: ButtonText on the windows'
    // button-face background.
    QPalette palette = label.palette;
    palette.setColor(label.label->foregroundRole(), colour);
    label.label->setPalette(palette);
    label.label->setToolTip(tip);
}

void CriterionVerdict::clear()
{
    for (const Label& label : bounds_) {
        label.label->setPalette(label.palette);
        label.label->setToolTip({});
    }
    caption_.label->setPalette(caption_.palette);
    caption_.label->setToolTip({});
}

void CriterionVerdict::show(const RunRecord& run, DecimalSeparator separator)
{
    clear();
    const CriterionResult result = evaluateCriterion(run);
    QStringList lines;
    if (!result.margin) {
        lines << QStringLiteral("Выход каскада не рассчитан: критерий не проверяется.");
        if (run.error)
            lines << errorLine(*run.error);
    } else {
        lines << QStringLiteral("%1, запас %2")
                     .arg(result.meets ? QStringLiteral("Критерий выполнен") : QStringLiteral("Критерий не выполнен"),
                          numberText(*result.margin, separator));
    }
    const std::span<const CriterionBound> bounds = criterionBounds(model_);
    for (std::size_t b = 0; b < result.bounds.size(); ++b) {
        const QString name = toQString(quantityName(bounds[b].pane));
        const QString value = numberText(run.reactors.back().value(bounds[b].pane), separator);
        const bool met = result.bounds[b];
        if (!met)
            lines << QStringLiteral("Нарушена граница %1: на выходе %2 = %3")
                         .arg(toQString(bounds[b].label), name, value);
        mark(bounds_[b], met ? metColour() : missedColour(),
             QStringLiteral("На выходе %1 = %2: граница %3")
                 .arg(name, value, met ? QStringLiteral("выполнена") : QStringLiteral("нарушена")));
    }
    const QStringList outside = brokenLimitLines(run);
    lines << outside;
    const QColor colour = !result.meets ? missedColour() : outside.isEmpty() ? metColour() : outsideLimitsColour();
    mark(caption_, colour, lines.join(QLatin1Char('\n')));
}

} // namespace kaskad::ui
