// The actions a model window offers without a control of its own:
// keyboard shortcuts that work whichever control has the focus, the context
// menu of every pane and a context menu on the window's background.
#pragma once

#include <QString>

#include <array>
#include <functional>
#include <span>

class QAction;
class QPlainTextEdit;
class QWidget;

namespace kaskad::ui {

enum class ModelAction {
    resultsTable,
    profileChart,
    saveInputSet,
    openInputSet,
    report,
    printReport,
    design,
    study,
    uncertainty
};
inline constexpr std::size_t kModelActionCount = 9;

// What each action runs, in ModelAction order; each runs inside the guard.
using ModelActionHandlers = std::array<std::function<void()>, kModelActionCount>;
using ModelActions = std::array<QAction*, kModelActionCount>;

// Makes the actions, owned by `window`: Ctrl+T "Таблица результатов",
// Ctrl+G "Профиль каскада", Ctrl+S "Сохранить исходные данные…", Ctrl+O
// "Открыть исходные данные…", Ctrl+P "Отчёт…", Ctrl+Shift+P "Печать…",
// Ctrl+D "Подбор параметров…", Ctrl+R "Исследование параметров…", Ctrl+U
// "Допуски и надёжность…". Each
// pane's menu shows its own edit actions, a separator and these; the menu of
// `background` shows these.
ModelActions addModelActions(QWidget& window, QWidget& background, std::span<QPlainTextEdit* const> panes,
                             const ModelActionHandlers& handlers);

} // namespace kaskad::ui
