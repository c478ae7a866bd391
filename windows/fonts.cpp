#include "fonts.h"

#include <algorithm>

#include <QLabel>
#include <QWidget>

namespace salvenor::ui {

namespace {

// Narrower than this, a stand-in face is harder to read than a cut text is to guess.
constexpr int kNarrowestStretch = 75;

bool textFits(const QLabel &label, int width, int height)
{
    const QString text = label.text();
    const QFontMetrics metrics{label.font()};
    if (label.wordWrap()) {
        const auto laidOut = [&](const QString &what) {
            return metrics.boundingRect(QRect{0, 0, width, QWIDGETSIZE_MAX},
                static_cast<int>(Qt::TextWordWrap | (label.alignment() & Qt::AlignHorizontal_Mask)), what);
        };
        const QRect lines = laidOut(text);
        // The glyphs end at the last line's descent; the line's spacing below it may be cut.
        const int spacingBelow = laidOut(QStringLiteral("X")).height() - metrics.ascent() - metrics.descent();
        return lines.width() <= width && lines.height() - spacingBelow <= height;
    }
    const auto lines = text.split(QLatin1Char('\n'));
    return std::ranges::all_of(lines, [&](const QString &line) { return metrics.horizontalAdvance(line) <= width; });
}

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

void narrowToFit(QLabel *label, int width, int height)
{
    if (label->text().isEmpty() || textFits(*label, width, height))
        return;
    QFont narrowed = label->font();
    const int start = narrowed.stretch() > 0 ? narrowed.stretch() : QFont::Unstretched;
    for (int stretch = start - 1; stretch >= kNarrowestStretch; --stretch) {
        narrowed.setStretch(stretch);
        setOwnFont(label, narrowed);
        if (textFits(*label, width, height))
            return;
    }
}

void narrowLabelsToFit(QWidget *window)
{
    for (QLabel *label : window->findChildren<QLabel *>()) {
        const QRect room = label->contentsRect();
        narrowToFit(label, room.width(), room.height());
    }
}

} // namespace salvenor::ui
