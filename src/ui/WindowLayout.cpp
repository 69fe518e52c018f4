// Builds a window from its table of controls.
#include "ui/WindowLayout.h"

#include <QFont>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <limits>
#include <vector>

namespace kaskad::ui {

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A field caption stands above its field, left-aligned, with this many
// pixels between the caption's bottom and the field's top.
constexpr int kEditLabelSpacing = 3;

void applyOwnFont(QWidget& control, const FontSpec& font)
{
    if (font.pixelHeight != 0)
        control.setFont(windowFont(font));
}

QWidget* createLabel(QWidget& client, const ControlSpec& spec)
{
    auto* label = new QLabel(toQString(spec.caption), &client);
    applyOwnFont(*label, spec.font);
    if (spec.width == 0)
        label->adjustSize();
    else
        label->resize(spec.width, spec.height);
    label->move(spec.left, spec.top);
    return label;
}

QWidget* createButton(QWidget& client, const ControlSpec& spec)
{
    auto* button = new QPushButton(toQString(spec.caption), &client);
    applyOwnFont(*button, spec.font);
    button->setAutoDefault(false);
    if (spec.captionColour == CaptionColour::pureRed) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, QColor(255, 0, 0));
        button->setPalette(palette);
    }
    button->setGeometry(spec.left, spec.top, spec.width, spec.height);
    return button;
}

QWidget* createLabeledEdit(QWidget& client, const ControlSpec& spec)
{
    auto* edit = new QLineEdit(&client);
    applyOwnFont(*edit, spec.font);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setGeometry(spec.left, spec.top, spec.width, spec.height);

    auto* caption = new QLabel(toQString(spec.caption), &client);
    caption->setObjectName(editLabelName(spec.name));
    caption->adjustSize();
    caption->move(spec.left, spec.top - kEditLabelSpacing - caption->height());
    return edit;
}

QWidget* createPane(QWidget& client, const ControlSpec& spec)
{
    auto* pane = new QPlainTextEdit(&client);
    applyOwnFont(*pane, spec.font);
    pane->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    pane->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pane->setTabChangesFocus(true);
    pane->setGeometry(spec.left, spec.top, spec.width, spec.height);
    return pane;
}

QWidget* createControl(QWidget& client, const ControlSpec& spec)
{
    QWidget* control = nullptr;
    switch (spec.kind) {
    case ControlKind::label: control = createLabel(client, spec); break;
    case ControlKind::button: control = createButton(client, spec); break;
    case ControlKind::labeledEdit: control = createLabeledEdit(client, spec); break;
    case ControlKind::pane: control = createPane(client, spec); break;
    }
    control->setObjectName(toQString(spec.name));
    return control;
}

void setTabOrder(const QWidget& window, std::span<const ControlSpec> controls)
{
    std::vector<const ControlSpec*> inOrder;
    for (const ControlSpec& spec : controls)
        if (spec.tabOrder >= 0)
            inOrder.push_back(&spec);
    std::ranges::sort(inOrder, {}, &ControlSpec::tabOrder);
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

QFont windowFont(const FontSpec& spec)
{
    QFont font;
    font.setFamilies({toQString(kWindowFontFamily), toQString(kNarrowFallbackFamily),
                      QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(spec.pixelHeight);
    font.setBold(spec.bold);
    font.setUnderline(spec.underline);
    return font;
}

QString editLabelName(std::string_view editName)
{
    return toQString(editName) + QStringLiteral(".EditLabel");
}

QWidget* buildWindow(QWidget& window, const WindowSpec& spec)
{
    window.setWindowTitle(toQString(spec.caption));
    window.setFont(windowFont({spec.fontPixelHeight}));
    window.setBackgroundRole(spec.background);

    QScrollArea* clientArea = createClientArea(window, spec.background);
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("Client"));
    client->setBackgroundRole(spec.background);
    client->setAutoFillBackground(true);
    // In the window before the controls are made, so that the labels sized
    // to their captions measure them in the window's font.
    clientArea->setWidget(client);
    for (const ControlSpec& control : spec.controls)
        createControl(*client, control);
    client->setMinimumSize(contentsExtent(*client));

    setTabOrder(window, spec.controls);
    requireControl<QWidget>(window, spec.firstFocus)->setFocus();
    window.move(spec.outerGeometry.topLeft());
    applyOuterSize(window, spec.outerGeometry.size());
    return client;
}

void applyOuterSize(QWidget& window, QSize outerSize)
{
    const QMargins frame = window.windowHandle() ? window.windowHandle()->frameMargins() : QMargins();
    window.resize(outerSize.shrunkBy(frame));
}

} // namespace kaskad::ui
