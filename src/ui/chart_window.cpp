// The profile chart window.
#include "ui/chart_window.h"

#include "formats/file_problem.h"
#include "ui/error_report.h"
#include "ui/qt_text.h"
#include "ui/user_files.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>
#include <stdexcept>

namespace kaskad::ui {

using formats::FileProblem;

namespace {

const std::array<FileType, 2> kChartFiles = {{
    {QStringLiteral("Рисунок PNG (*.png)"), QStringLiteral("png")},
    {QStringLiteral("Рисунок SVG (*.svg)"), QStringLiteral("svg")},
}};

// The sizes offered for a saved picture; any other may be typed.
const char* const kPictureSizes[] = {
    "как в окне", "как в окне, вдвое чётче", "1200 × 800", "1600 × 1000", "1920 × 1080", "3840 × 2160",
};
constexpr int kPictureSideLimits[] = {200, 10000};

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

void checkRunsOnOneChart(std::size_t chosen)
{
    if (chosen > chart::kMostRunsOnOneChart)
        throw std::runtime_error(
            QStringLiteral("На одном профиле каскада различимы не больше %1 расчётов, а выбрано %2.")
                .arg(chart::kMostRunsOnOneChart)
                .arg(chosen)
                .toStdString());
}

ChartWindow::ChartWindow(DecimalSeparator separator) : separator_(toQString(separator.text()))
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
    pictureSize_ = new QComboBox;
    pictureSize_->setObjectName(QStringLiteral("ChartPictureSize"));
    pictureSize_->setEditable(true);
    pictureSize_->setInsertPolicy(QComboBox::NoInsert);
    for (const char* size : kPictureSizes)
        pictureSize_->addItem(toQString(size));
    pictureSize_->setToolTip(QStringLiteral("Размер сохраняемого рисунка в пикселях: как в окне, вдвое чётче или "
                                            "ширина × высота, например 1600 × 1000"));
    auto* sizeLabel = new QLabel(QStringLiteral("Размер рисунка:"));
    sizeLabel->setBuddy(pictureSize_);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(sizeLabel);
    bottom->addWidget(pictureSize_);
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
    std::vector<chart::ProfileRun> runs(1);
    runs[0].profile = std::move(profile);
    showDrawing(std::move(runs), caption, title);
}

void ChartWindow::showRuns(ModelKind model, std::span<const ChartRun> runs, const QString& title)
{
    std::vector<chart::NumberedRun> drawn;
    std::vector<chart::ProfileRun> profiles;
    for (const ChartRun& run : runs)
        if (!run.run->reactors.empty()) {
            drawn.push_back({run.number, run.fields, run.noun});
            profiles.push_back({chart::cascadeProfile(*run.run), {}});
        }
    if (drawn.empty())
        throw std::runtime_error("Профиль каскада строится по рассчитанным реакторам: ни один не рассчитан.");
    checkRunsOnOneChart(drawn.size());
    if (drawn.size() == 1) {
        showDrawing(std::move(profiles), toQString(chart::profileCaption(model, *drawn[0].fields)), title);
        return;
    }
    const chart::RunsTexts texts = chart::runsTexts(model, drawn);
    for (std::size_t r = 0; r < profiles.size(); ++r)
        profiles[r].legend = toQString(texts.legends[r]);
    showDrawing(std::move(profiles), toQString(texts.caption), title);
}

void ChartWindow::showDrawing(std::vector<chart::ProfileRun> runs, const QString& caption, const QString& title)
{
    runs_ = std::move(runs);
    caption_ = caption;
    setWindowTitle(title);
    redraw();
}

PictureSize ChartWindow::pictureSizeOf(const QString& text)
{
    if (text == toQString(kPictureSizes[0]))
        return {};
    if (text == toQString(kPictureSizes[1]))
        return {std::nullopt, 2};
    // Width and height apart by "×", or by an "x" typed in either alphabet.
    static const QRegularExpression kSize(QStringLiteral("^\\s*(\\d{1,5})\\s*[x×хХX]\\s*(\\d{1,5})\\s*$"));
    const QRegularExpressionMatch match = kSize.match(text);
    const auto within = [](int side) { return side >= kPictureSideLimits[0] && side <= kPictureSideLimits[1]; };
    if (!match.hasMatch() || !within(match.captured(1).toInt()) || !within(match.captured(2).toInt()))
        throw std::runtime_error(QStringLiteral("Размер рисунка «%1» не понят: нужны ширина × высота в пикселях, "
                                                "каждая от %2 до %3, например 1600 × 1000.")
                                     .arg(text)
                                     .arg(kPictureSideLimits[0])
                                     .arg(kPictureSideLimits[1])
                                     .toStdString());
    return {QSize(match.captured(1).toInt(), match.captured(2).toInt()), 1};
}

// A picture at a size of its own is drawn anew for it, its text and lines
// sized with it; at the window's size the scene on screen is saved.
void ChartWindow::save()
{
    const PictureSize size = pictureSizeOf(pictureSize_->currentText());
    const std::optional<ChosenFile> chosen =
        chooseFile(this, {true, QStringLiteral("Сохранить профиль каскада"),
                          std::vector(kChartFiles.begin(), kChartFiles.end()), QStringLiteral("профиль")});
    if (!chosen)
        return;
    std::unique_ptr<QGraphicsScene> sized;
    if (size.size)
        sized = chart::profileScene(runs_, caption_, *size.size, separator_);
    QGraphicsScene& scene = sized ? *sized : *scene_;
    QByteArray bytes;
    try {
        bytes = chosen->type == 0 ? chart::pngImage(scene, size.scale) : chart::svgDocument(scene, windowTitle());
    } catch (const std::runtime_error& error) {
        throw FileProblem(cannotSave(chosen->path, error.what()));
    }
    writeWholeFile(chosen->path, bytes);
}

QSize ChartWindow::chartSize() const { return view_->viewport()->size().expandedTo(kSmallestChart); }

void ChartWindow::redraw()
{
    std::unique_ptr<QGraphicsScene> scene = chart::profileScene(runs_, caption_, chartSize(), separator_);
    view_->setScene(scene.get());
    view_->setSceneRect(scene->sceneRect());
    scene_ = std::move(scene);
}

} // namespace kaskad::ui
