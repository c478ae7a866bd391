#include "figure_label.h"

#include <algorithm>

#include <QEvent>
#include <QFontMetrics>

#include "fonts.h"

namespace salvenor::ui {

FigureLabel::FigureLabel(QWidget *parent)
    : QLabel(parent)
{ }

void FigureLabel::setDesign(const QRect &designRect, int roomLeft, int roomRight)
{
    m_design = designRect;
    m_roomLeft = std::min(roomLeft, designRect.left());
    m_roomRight = std::max(roomRight, designRect.right() + 1);
    m_designFont = font();
    refit();
}

void FigureLabel::setFigure(const QString &text)
{
    setText(text);
    if (!m_unitPlural.isEmpty())
        setAccessibleName(text + QLatin1Char(' ') + (text == QLatin1String("1") ? m_unitSingular : m_unitPlural));
    refit();
}

void FigureLabel::setUnit(const QString &singular, const QString &plural)
{
    m_unitSingular = singular;
    m_unitPlural = plural;
    setFigure(text());
}

void FigureLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && !m_fitting) {
        m_designFont = font();
        refit();
    }
}

void FigureLabel::refit()
{
    if (m_design.isNull())
        return;
    m_fitting = true;
    QFont candidate = m_designFont;
    // The room on the side the figure grows to: a left-aligned figure keeps its left edge, a
    // right-aligned one its right edge.
    const int room = alignment().testFlag(Qt::AlignRight) ? m_design.right() + 1 - m_roomLeft
        : alignment().testFlag(Qt::AlignHCenter)          ? m_roomRight - m_roomLeft
                                                          : m_roomRight - m_design.left();
    const auto needed = [this](const QFont &f) { return QFontMetrics{f}.horizontalAdvance(text()) + 2 * margin() + 1; };
    if (needed(candidate) > room) {
        candidate.setFamily(QString::fromLatin1(kNarrowFace));
        while (needed(candidate) > room && candidate.pointSizeF() > 4)
            candidate.setPointSizeF(candidate.pointSizeF() - 0.5);
    }
    setOwnFont(this, candidate);

    const int width = std::max(m_design.width(), needed(candidate));
    QRect box = m_design;
    if (width > m_design.width()) {
        if (alignment().testFlag(Qt::AlignRight)) {
            box.setLeft(std::max(m_roomLeft, m_design.right() + 1 - width));
        } else if (alignment().testFlag(Qt::AlignHCenter)) {
            const int grow = width - m_design.width();
            box.setLeft(m_design.left() - grow / 2);
            box.setWidth(width);
            if (box.left() < m_roomLeft)
                box.moveLeft(m_roomLeft);
            if (box.right() + 1 > m_roomRight)
                box.moveRight(m_roomRight - 1);
        } else {
            box.setWidth(std::min(width, m_roomRight - m_design.left()));
        }
    }
    setGeometry(box);
    m_fitting = false;
}

} // namespace salvenor::ui
