#include "line_widget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPen>

namespace salvenor::ui {

namespace {

// A line is decoration: assistive technology is told it is not there to be read.
class HiddenLineAccessible final : public QAccessibleWidget
{
public:
    explicit HiddenLineAccessible(QWidget *line)
        : QAccessibleWidget(line, QAccessible::Separator)
    { }
    QAccessible::State state() const override
    {
        QAccessible::State hidden = QAccessibleWidget::state();
        hidden.invisible = true;
        hidden.focusable = false;
        return hidden;
    }
    QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface *accessibleLine(const QString &className, QObject *object)
{
    if (className == QLatin1String(LineWidget::staticMetaObject.className()) && object->isWidgetType())
        return new HiddenLineAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

LineWidget::LineWidget(Qt::PenStyle style, QWidget *parent)
    : QWidget(parent)
    , m_style(style)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleLine);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
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
    resize(this->width(), width); // the widget is as high as its line is wide
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
