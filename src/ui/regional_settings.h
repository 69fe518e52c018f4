// The user's decimal separator, read from the locale at start-up and again
// whenever the application is told that the locale has changed.
#pragma once

#include "numeric/number_text.h"

#include <QLocale>
#include <QObject>

#include <functional>

namespace kaskad::ui {

// The separator a locale uses; "." when it has none that fits.
DecimalSeparator decimalSeparatorOf(const QLocale& locale);

class RegionalSettings : public QObject {
public:
    using LocaleSource = std::function<QLocale()>;

    // Reads the separator from `source` (the system locale unless told
    // otherwise) now and on every QEvent::LocaleChange the application sees.
    explicit RegionalSettings(LocaleSource source = &QLocale::system);
    ~RegionalSettings() override;

    DecimalSeparator decimalSeparator() const { return separator_; }
    void reread();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LocaleSource source_;
    DecimalSeparator separator_;
};

} // namespace kaskad::ui
