#include "window_settings.h"

#include <QSettings>

#include "resources/product_info.h"
#include "windows/design.h"

namespace salvenor::ui {

bool saveWindowPlacement(const QRect &frameInPixels)
{
    QSettings settings{QSettings::IniFormat, QSettings::UserScope, QString::fromUtf8(kSettingsApplication)};
    if (!settings.isWritable())
        return false;
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(QStringLiteral("MainLeft"), QString::number(pixelsToTwips(frameInPixels.left())));
    settings.setValue(QStringLiteral("MainTop"), QString::number(pixelsToTwips(frameInPixels.top())));
    settings.setValue(QStringLiteral("MainWidth"), QString::number(pixelsToTwips(frameInPixels.width())));
    settings.setValue(QStringLiteral("MainHeight"), QString::number(pixelsToTwips(frameInPixels.height())));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace salvenor::ui
