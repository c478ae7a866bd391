#include "faces.h"

namespace salvenor {

QString faceFor(const QString &designFace)
{
    for (const char *designed : {"MS Sans Serif", "Arial"}) {
        if (designFace.compare(QLatin1String(designed), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(kSansFace);
    }
    return designFace;
}

QFont designFont(const QString &designFace, qreal pointSize, bool bold)
{
    QFont font{faceFor(designFace)};
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace salvenor
