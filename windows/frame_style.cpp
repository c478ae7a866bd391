#include "frame_style.h"

#include <QGroupBox>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>

namespace salvenor::ui {

namespace {

class FrameStyle final : public QProxyStyle
{
public:
    FrameStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    { }

    void drawPrimitive(
        PrimitiveElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const override
    {
        const auto *box = qobject_cast<const QGroupBox *>(widget);
        if (element != PE_FrameGroupBox || box == nullptr) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        QRect frame = box->rect();
        QRect caption;
        if (!box->title().isEmpty()) {
            frame.setTop(option->fontMetrics.height() / 2);
            QStyleOptionGroupBox captionOption;
            captionOption.initFrom(box);
            captionOption.text = box->title();
            captionOption.textAlignment = box->alignment();
            captionOption.subControls = SC_GroupBoxLabel | SC_GroupBoxFrame;
            caption = subControlRect(CC_GroupBox, &captionOption, SC_GroupBoxLabel, box).adjusted(-2, 0, 2, 0);
        }
        painter->save();
        if (caption.isValid())
            painter->setClipRegion(QRegion{box->rect()}.subtracted(caption));
        // An etched border, as the design's frames: grey, and white one pixel inside it.
        painter->setPen(QColor{128, 128, 128});
        painter->drawRect(frame.adjusted(0, 0, -2, -2));
        painter->setPen(Qt::white);
        painter->drawRect(frame.adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

} // namespace

QStyle *frameStyle()
{
    // One object for every frame of every window, for the program's whole life.
    static QStyle *style = new FrameStyle;
    return style;
}

} // namespace salvenor::ui
