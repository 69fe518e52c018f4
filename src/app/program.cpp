// Creating the windows and showing the main window.
#include "app/program.h"

#include "numeric/errors.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kaskad::app {

void adoptApplicationTitle()
{
    const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
    // Set as the application name, not as an explicit display name: the
    // display name then reads the same, and window captions stay exactly
    // their own (the platform appends an explicit display name to them).
    QCoreApplication::setApplicationName(QString::fromStdString(applicationTitle(programPath)));
}

QTranslator* installQtTranslations(const QLocale& locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator.release();
}

Program::Program(ui::RegionalSettings::LocaleSource locale)
    : settings_(std::move(locale)),
      form2_(std::make_unique<TForm2>()),
      form1_(std::make_unique<ui::TForm1>(settings_)),
      form3_(std::make_unique<ui::TForm3>(settings_))
{
    form2_->setModelWindows(*form1_, *form3_);
}

Program::~Program() = default;

void Program::start() { form2_->show(); }

} // namespace kaskad::app
