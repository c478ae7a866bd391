#include "application_icon.h"

#include <QIcon>
#include <QSize>

namespace salvenor::ui {

const QIcon &applicationIcon()
{
    // Never destroyed: it may be needed until the last window has gone, after statics unwind.
    static const QIcon *icon = [] {
        auto *made = new QIcon;
        made->addFile(QStringLiteral(":/images/app-icon-16.png"), QSize{16, 16});
        made->addFile(QStringLiteral(":/images/app-icon-32.png"), QSize{32, 32});
        return made;
    }();
    return *icon;
}

} // namespace salvenor::ui
