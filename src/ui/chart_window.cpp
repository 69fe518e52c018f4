// The profile chart window.
#include "ui/chart_window.h"

#include "chart/profile_scene.h"
#include "formats/file_problem.h"
#include "ui/error_report.h"
#include "ui/user_files.h"

#include <QAction>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <stdexcept>

namespace kaskad::ui {

using formats::FileProblem;

namespace {

const std::array<SavedFileType<QGraphicsScene, QByteArray>, 2> kChartFiles = {{
    {{QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("png")}, chart::pngImage},
    {{QStringLiteral("Рисунок SVG (*.svg)"), QStringLiteral("svg")}, chart::svgDocument},
}};

// A scene is drawn for at least this size; a smaller window scrolls.
constexpr QSize kSmallestChart(320, 240);

// A view that tells when its visible area changes size.
class ChartView : public QGraphicsView {
public:
    explicit ChartView(std::function<void()> resized) : resized_(std::move(resized)) {}

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QGraphicsView::resizeEvent(event);
        guarded(resized_);
    }

private:
    std::function<void()> resized_;
};

} // namespace

ChartWindow::ChartWindow()
{
    setObjectName(QStringLiteral("ChartWindow"));
    view_ = new ChartView([this] {
        if (scene_ && scene_->sceneRect().size().toSize() != chartSize())
            redraw();
    });
    view_->setObjectName(QStringLiteral("ChartView"));
    view_->setFrameShape(QFrame::NoFrame);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    save_ = new QPushButton(QStringLiteral("Сохранить…"));
    save_->setObjectName(QStringLiteral("ChartSave"));
    onClick(save_, this, &ChartWindow::save);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(bottom);

    auto* saveKey = new QAction(QStringLiteral("Сохранить…"), this);
    saveKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveKey, &QAction::triggered, this, [this] { guarded([this] { save(); }); });
    addAction(saveKey);
    auto* closeKey = new QAction(QStringLiteral("Закрыть"), this);
    closeKey->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
    addAction(closeKey);
    resize(1000, 700);
}

ChartWindow::~ChartWindow() { view_->setScene(nullptr); }

void ChartWindow::showProfile(chart::CascadeProfile profile, const QString& caption, const QString& title)
{
    profile_ = std::move(profile);
    caption_ = caption;
    setWindowTitle(title);
    redraw();
}

void ChartWindow::save()
{
    const std::optional<ChosenFile> chosen = chooseFile(
        this, {true, QStringLiteral("Сохранить профиль каскада"), fileTypesOf(kChartFiles), QStringLiteral("профиль")});
    if (!chosen)
        return;
    QByteArray bytes;
    try {
        bytes = kChartFiles[chosen->type].bytesOf(*scene_);
    } catch (const std::runtime_error& error) {
        throw FileProblem(cannotSave(chosen->path, error.what()));
    }
    writeWholeFile(chosen->path, bytes);
}

QSize ChartWindow::chartSize() const { return view_->viewport()->size().expandedTo(kSmallestChart); }

void ChartWindow::redraw()
{
    std::unique_ptr<QGraphicsScene> scene = chart::profileScene(profile_, caption_, chartSize());
    view_->setScene(scene.get());
    view_->setSceneRect(scene->sceneRect());
    scene_ = std::move(scene);
}

} // namespace kaskad::ui
