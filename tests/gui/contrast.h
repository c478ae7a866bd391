#pragma once

#include <algorithm>
#include <cmath>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QStringList>
#include <QWidget>

namespace salvenor::test {

// Relative luminance and contrast ratio as the Web Content Accessibility Guidelines define them.
inline double luminance(QRgb colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour)) + 0.0722 * channel(qBlue(colour));
}

inline double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The most frequent colour of an area of a grab: the background of the text in it.
inline QRgb backgroundOf(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    }
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    return background;
}

// The contrast of a text on its background in a grab: the text is the area's pixel farthest
// from the background.
inline double textContrast(const QImage &image, const QRect &area)
{
    const QRgb background = backgroundOf(image, area);
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, contrast(background, image.pixel(x, y)));
    }
    return best;
}

// Where a widget shows text in `window`'s grab, in the grab's pixels; empty for no text.
inline QRect textArea(const QWidget *window, QWidget *widget, qreal scale)
{
    QRect area;
    if (auto *label = qobject_cast<QLabel *>(widget); label && !label->text().isEmpty())
        area = label->rect();
    else if (auto *frame = qobject_cast<QGroupBox *>(widget); frame && !frame->title().isEmpty())
        area = QRect{0, 0, frame->width(), QFontMetrics{frame->font()}.height()};
    else if (auto *button = qobject_cast<QAbstractButton *>(widget); button && !button->text().isEmpty())
        area = button->rect().adjusted(3, 3, -3, -3);
    else if (qobject_cast<QComboBox *>(widget))
        area = widget->rect().adjusted(3, 3, -20, -3);
    if (area.isEmpty() || !widget->isVisible())
        return {};
    return QRect{widget->mapTo(window, area.topLeft()) * scale, area.size() * scale};
}

// The colours Qt takes from a dark desktop scheme (GNOME's dark style through the GTK 3 theme).
inline QPalette darkDesktopPalette()
{
    QPalette dark;
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase})
        dark.setColor(role, QColor{0x32, 0x32, 0x32});
    dark.setColor(QPalette::Base, QColor{0x24, 0x24, 0x24});
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::BrightText})
        dark.setColor(role, QColor{0xf0, 0xf0, 0xf0});
    return dark;
}

struct ReadabilityCheck
{
    int checked = 0;
    QStringList faults; // "name: ratio : 1" for each text below the minimum
};

// Grabs the window and measures every text it shows (labels, frame captions, buttons, count
// selectors) against its background.
inline ReadabilityCheck checkTextsReadable(QWidget *window, double minimum = 4.5)
{
    const QImage image = window->grab().toImage();
    const qreal scale = window->devicePixelRatioF();
    ReadabilityCheck check;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const QRect area = textArea(window, widget, scale).intersected(image.rect());
        if (area.isEmpty())
            continue;
        const double ratio = textContrast(image, area);
        if (ratio < minimum)
            check.faults << QStringLiteral("%1: %2 : 1").arg(widget->objectName()).arg(ratio, 0, 'f', 2);
        ++check.checked;
    }
    return check;
}

} // namespace salvenor::test
