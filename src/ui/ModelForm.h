// What the two model windows share: fields and panes seen by a calculation,
// modal opening with the reset before the first paint, and closing by hiding.
#pragma once

#include "model/model_window.h"
#include "numeric/number_text.h"
#include "ui/WindowLayout.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <initializer_list>

class QEventLoop;
class QLineEdit;
class QPlainTextEdit;

namespace kaskad::ui {

class RegionalSettings;

class ModelForm : public QWidget, public ModelWindow {
public:
    // The result ShowModal gives: every way of closing is a cancel.
    static constexpr int kModalResultCancel = 2;

    ModelForm(const WindowDescription& layout, const RegionalSettings& settings);
    ~ModelForm() override;

    // Shows the window in front with the other windows blocked, runs the
    // reset before anything is painted, and returns once the window is closed.
    int ShowModal();

    // The reset: the button's click and the activation of every opening.
    virtual void Button4Click() = 0;

    QLineEdit* field(int number) const { return fields_.at(std::size_t(number - 1)); }
    QPlainTextEdit* pane(int number) const { return panes_.at(std::size_t(number - 1)); }

    std::string fieldText(int field) const override;
    void appendResult(const StoredResult& result) override;

protected:
    // The separator for a run that starts now.
    DecimalSeparator decimalSeparator() const;
    // Empties Text1..Text12 in the order the reset clears them.
    void clearPanes();
    void clearFields(std::initializer_list<int> numbers);

    void hideEvent(QHideEvent* event) override;

private:
    const RegionalSettings& settings_;
    std::array<QLineEdit*, kFieldCount> fields_{};
    std::array<QPlainTextEdit*, kPaneCount> panes_{};
    QEventLoop* modalLoop_ = nullptr;
    // Held apart from Qt's own memory of the window's focus, which a late
    // activation of the hidden window moves on to the next control.
    QPointer<QWidget> focusAtClosing_;
};

} // namespace kaskad::ui
