#include "line_widget.h"

#include <QPainter>
#include <QPen>

namespace salvenor::ui {

LineWidget::LineWidget(Qt::PenStyle style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::setLineColor(const QColor &color)
{
    m_color = color;
    update();
}

void LineWidget::setLineWidth(int width)
{
    m_width = width;
    update();
}

void LineWidget::paintEvent(QPaintEvent *)
{
    QPainter painter{this};
    QPen pen{m_color, static_cast<qreal>(m_width), m_style};
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    const qreal y = m_width / 2.0;
    painter.drawLine(QPointF{0, y}, QPointF{static_cast<qreal>(width()), y});
}

} // namespace salvenor::ui
