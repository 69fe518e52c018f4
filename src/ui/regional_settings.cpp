// The decimal separator taken from the user's locale.
#include "ui/regional_settings.h"

#include "ui/error_report.h"

#include <QCoreApplication>
#include <QEvent>

namespace kaskad::ui {

DecimalSeparator decimalSeparatorOf(const QLocale& locale)
{
    const QByteArray symbol = locale.decimalPoint().toUtf8();
    return DecimalSeparator::fromText(std::string_view(symbol.constData(), std::size_t(symbol.size())))
        .value_or(DecimalSeparator('.'));
}

RegionalSettings::RegionalSettings(LocaleSource source) : source_(std::move(source))
{
    reread();
    if (QCoreApplication* application = QCoreApplication::instance())
        application->installEventFilter(this);
}

RegionalSettings::~RegionalSettings()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

void RegionalSettings::reread() { separator_ = decimalSeparatorOf(source_()); }

// An application-wide filter sees the locale change whichever object it is
// delivered to. A run handles no events, so it never sees the separator change.
bool RegionalSettings::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LocaleChange)
        guarded([this] { reread(); });
    return QObject::eventFilter(watched, event);
}

} // namespace kaskad::ui
