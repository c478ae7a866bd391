#include "fonts.h"

#include <QWidget>

namespace salvenor::ui {

namespace {

QFont sansFont(qreal pointSize, bool bold)
{
    return designFont(QStringLiteral("MS Sans Serif"), pointSize, bold);
}

} // namespace

QFont baseFont()
{
    return sansFont(8.25, false);
}

QFont frameFont()
{
    return sansFont(8, true);
}

QFont emphasisFont()
{
    return sansFont(10, true);
}

QFont resultFont()
{
    return sansFont(18, true);
}

QFont fontFor(FontRole role)
{
    switch (role) {
    case FontRole::Frame:
        return frameFont();
    case FontRole::Emphasis:
        return emphasisFont();
    case FontRole::Result:
        return resultFont();
    case FontRole::Base:
        break;
    }
    return baseFont();
}

void setOwnFont(QWidget *widget, const QFont &font)
{
    QFont own = font;
    own.setResolveMask(QFont::AllPropertiesResolved);
    widget->setFont(own);
}

} // namespace salvenor::ui
