// The verdict on a model window's newest run where the engineer looks: the
// criterion's caption and bounds coloured, the margin, the bounds missed and
// the values outside physical limits in their tooltips. Only colours and
// tooltips change: no label moves or changes size.
#pragma once

#include "model/run_record.h"

#include <QColor>
#include <QPalette>
#include <QString>

#include <vector>

class QLabel;
class QWidget;

namespace kaskad::ui {

class CriterionVerdict {
public:
    // The criterion's caption is `captionName`; its bounds are the labels
    // showing the model's bounds.
    CriterionVerdict(const QWidget& window, ModelKind model, std::string_view captionName);

    // The verdict on `run`, its numbers with `separator`.
    void show(const RunRecord& run, DecimalSeparator separator);
    // The labels as the layout made them.
    void clear();

    static QColor metColour() { return {0x00, 0x80, 0x00}; }
    static QColor missedColour() { return {0xc0, 0x00, 0x00}; }
    // A criterion met by values that are physically impossible.
    static QColor outsideLimitsColour() { return {0x70, 0x30, 0xa0}; }

private:
    struct Label {
        QLabel* label;
        QPalette palette; // as the layout made it
    };
    void mark(const Label& label, const QColor& colour, const QString& tip);

    ModelKind model_;
    Label caption_;
    std::vector<Label> bounds_; // in the order of criterionBounds(model)
};

} // namespace kaskad::ui
