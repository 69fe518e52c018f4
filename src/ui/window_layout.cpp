// Builds a window from its table of controls.
#include "ui/window_layout.h"

#include "ui/pane.h"
#include "ui/qt_text.h"
#include "ui/window_frame.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <vector>

namespace kaskad::ui {

namespace {

// A field caption stands above its field, left-aligned, with this many
// pixels between the caption's bottom and the field's top.
constexpr int kEditLabelSpacing = 3;

void applyOwnFont(QWidget& control, const FontStyle& font)
{
    if (font.pixelHeight != 0)
        control.setFont(windowFont(font));
}

QWidget* createLabel(QWidget& client, const ControlRow& row)
{
    auto* label = new QLabel(toQString(row.caption), &client);
    applyOwnFont(*label, row.font);
    if (row.width == 0)
        label->adjustSize();
    else
        label->resize(row.width, row.height);
    label->move(row.left, row.top);
    return label;
}

QWidget* createButton(QWidget& client, const ControlRow& row)
{
    auto* button = new QPushButton(toQString(row.caption), &client);
    applyOwnFont(*button, row.font);
    button->setAutoDefault(false);
    if (row.captionColour == CaptionColour::pureRed) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, QColor(255, 0, 0));
        button->setPalette(palette);
    }
    button->setGeometry(row.left, row.top, row.width, row.height);
    return button;
}

QWidget* createLabeledEdit(QWidget& client, const ControlRow& row)
{
    auto* edit = new QLineEdit(&client);
    applyOwnFont(*edit, row.font);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setGeometry(row.left, row.top, row.width, row.height);

    auto* caption = new QLabel(toQString(row.caption), &client);
    caption->setObjectName(editLabelName(row.name));
    caption->adjustSize();
    caption->move(row.left, row.top - kEditLabelSpacing - caption->height());
    return edit;
}

QWidget* createPane(QWidget& client, const ControlRow& row)
{
    auto* pane = new Pane(&client);
    applyOwnFont(*pane, row.font);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setTabChangesFocus(true);
    pane->setGeometry(row.left, row.top, row.width, row.height);
    return pane;
}

QWidget* createControl(QWidget& client, const ControlRow& row)
{
    QWidget* control = nullptr;
    switch (row.kind) {
    case ControlKind::label:
        control = createLabel(client, row);
        break;
    case ControlKind::button:
        control = createButton(client, row);
        break;
    case ControlKind::labeledEdit:
        control = createLabeledEdit(client, row);
        break;
    case ControlKind::pane:
        control = createPane(client, row);
        break;
    }
    control->setObjectName(toQString(row.name));
    return control;
}

void setTabOrder(const QWidget& window, std::span<const ControlRow> controls)
{
    std::vector<const ControlRow*> inOrder;
    for (const ControlRow& row : controls)
        if (row.tabOrder >= 0)
            inOrder.push_back(&row);
    std::ranges::sort(inOrder, {}, &ControlRow::tabOrder);
    for (std::size_t i = 1; i < inOrder.size(); ++i)
        QWidget::setTabOrder(requireControl<QWidget>(window, inOrder[i - 1]->name),
                             requireControl<QWidget>(window, inOrder[i]->name));
}

// The client area's extent: up to the right and bottom edges of its
// furthest controls. A smaller window scrolls to the rest.
QSize contentsExtent(const QWidget& client)
{
    QRect extent;
    for (const QWidget* child : client.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        extent |= child->geometry();
    return {extent.right() + 1, extent.bottom() + 1};
}

QScrollArea* createClientArea(QWidget& window, QPalette::ColorRole background)
{
    auto* scrollArea = new QScrollArea(&window);
    scrollArea->setObjectName(QStringLiteral("ClientArea"));
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setFocusPolicy(Qt::NoFocus);
    scrollArea->setWidgetResizable(true);
    scrollArea->setBackgroundRole(background);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollArea);
    return scrollArea;
}

} // namespace

QFont windowFont(const FontStyle& style)
{
    QFont font;
    font.setFamilies({toQString(kWindowFontFamily), toQString(kNarrowFallbackFamily),
                      QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(style.pixelHeight);
    font.setBold(style.bold);
    font.setUnderline(style.underline);
    return font;
}

QString editLabelName(std::string_view editName) { return toQString(editName) + QStringLiteral(".EditLabel"); }

QWidget* buildWindow(QWidget& window, const WindowDescription& layout)
{
    window.setWindowTitle(toQString(layout.caption));
    window.setFont(windowFont({layout.fontPixelHeight}));
    window.setBackgroundRole(layout.background);

    QScrollArea* clientArea = createClientArea(window, layout.background);
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("Client"));
    client->setBackgroundRole(layout.background);
    client->setAutoFillBackground(true);
    // In the window before the controls are made, so that the labels sized
    // to their captions measure them in the window's font.
    clientArea->setWidget(client);
    for (const ControlRow& control : layout.controls)
        createControl(*client, control);
    client->setMinimumSize(contentsExtent(*client));

    setTabOrder(window, layout.controls);
    requireControl<QWidget>(window, layout.firstFocus)->setFocus();
    window.move(layout.outerGeometry.topLeft());
    keepOuterSize(window, layout.outerGeometry.size());
    return client;
}

} // namespace kaskad::ui
