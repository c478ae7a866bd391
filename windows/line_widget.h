#pragma once

#include <QColor>
#include <QWidget>

namespace salvenor::ui {

// A horizontal line drawn across the widget: dotted (the leaders of the calculation rows) or solid.
class LineWidget final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LineWidget)

public:
    LineWidget(Qt::PenStyle style, QWidget *parent = nullptr);
    void setLineColor(const QColor &color);
    void setLineWidth(int width);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Qt::PenStyle m_style;
    QColor m_color{Qt::black};
    int m_width = 1;
};

} // namespace salvenor::ui
