// The model windows' shortcuts and context menus.
#include "ui/model_actions.h"

#include "ui/error_report.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>

#include <memory>

namespace kaskad::ui {

namespace {

struct ActionRow {
    const char* text;
    QKeySequence keys;
};

const ActionRow kActionRows[kModelActionCount] = {
    {"Таблица результатов", QKeySequence(Qt::CTRL | Qt::Key_T)},
    {"Профиль каскада", QKeySequence(Qt::CTRL | Qt::Key_G)},
    {"Сохранить исходные данные…", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"Открыть исходные данные…", QKeySequence(Qt::CTRL | Qt::Key_O)},
    {"Отчёт…", QKeySequence(Qt::CTRL | Qt::Key_P)},
    {"Печать…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
    {"Подбор параметров…", QKeySequence(Qt::CTRL | Qt::Key_D)},
    {"Исследование параметров…", QKeySequence(Qt::CTRL | Qt::Key_R)},
    {"Допуски и надёжность…", QKeySequence(Qt::CTRL | Qt::Key_U)},
};

// A menu that lives while it is shown: its actions may close the window
// it was opened from.
void showMenu(std::unique_ptr<QMenu> menu, const QPoint& globalPosition)
{
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu.release()->popup(globalPosition);
}

// The pane's own menu (undo, cut, copy, paste, select all…) and the model
// window's actions after a separator. The pane's own menu is asked of the pane, so a
// pane that changes its edit actions keeps them here.
void offerInPaneMenu(QPlainTextEdit& pane, const ModelActions& actions)
{
    pane.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&pane, &QWidget::customContextMenuRequested, &pane, [&pane, actions](const QPoint& at) {
        guarded([&] {
            std::unique_ptr<QMenu> menu(pane.createStandardContextMenu(at));
            menu->setObjectName(QStringLiteral("PaneMenu"));
            menu->addSeparator();
            for (QAction* action : actions)
                menu->addAction(action);
            showMenu(std::move(menu), pane.viewport()->mapToGlobal(at));
        });
    });
}

void offerInBackgroundMenu(QWidget& background, const ModelActions& actions)
{
    background.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&background, &QWidget::customContextMenuRequested, &background,
                     [&background, actions](const QPoint& at) {
                         guarded([&] {
                             auto menu = std::make_unique<QMenu>(&background);
                             menu->setObjectName(QStringLiteral("BackgroundMenu"));
                             for (QAction* action : actions)
                                 menu->addAction(action);
                             showMenu(std::move(menu), background.mapToGlobal(at));
                         });
                     });
}

// Leaves the window's keys to the window: a field would take Ctrl+U as
// "delete the line" where the keyboard scheme says so, before any shortcut.
class KeysToWindow : public QObject {
public:
    KeysToWindow(QObject* parent, const ModelActions& actions) : QObject(parent), actions_(actions) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : actions_)
            if (action->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        return false;
    }

private:
    ModelActions actions_;
};

} // namespace

ModelActions addModelActions(QWidget& window, QWidget& background, std::span<QPlainTextEdit* const> panes,
                             const ModelActionHandlers& handlers)
{
    ModelActions actions{};
    for (std::size_t a = 0; a < kModelActionCount; ++a) {
        auto* action = new QAction(toQString(kActionRows[a].text), &window);
        action->setShortcut(kActionRows[a].keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action, &QAction::triggered, &window, [handler = handlers[a]] { guarded(handler); });
        window.addAction(action);
        actions[a] = action;
    }
    auto* keys = new KeysToWindow(&window, actions);
    for (QWidget* control : window.findChildren<QWidget*>())
        control->installEventFilter(keys);
    for (QPlainTextEdit* pane : panes)
        offerInPaneMenu(*pane, actions);
    offerInBackgroundMenu(background, actions);
    return actions;
}

} // namespace kaskad::ui
