#include "design.h"

#include <algorithm>
#include <memory>
#include <string>

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>

#include "count_selector.h"
#include "figure_label.h"
#include "fonts.h"
#include "frame_style.h"
#include "line_widget.h"
#include "month_calendar.h"

namespace salvenor::ui {

QRect rectFromTwips(int left, int top, int width, int height)
{
    return QRect{twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

namespace {

Qt::Alignment alignmentOf(Align align)
{
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case Align::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QWidget *createWidget(const ControlSpec &spec, QWidget *parent)
{
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
    case ControlKind::Frame: {
        auto *frame = new QGroupBox(text, parent);
        frame->setStyle(frameStyle());
        // Read without the caption's padding blanks and closing colon.
        QString name = text.trimmed();
        if (name.endsWith(QLatin1Char(':')))
            name.chop(1);
        frame->setAccessibleName(name);
        return frame;
    }
    case ControlKind::Label:
        return new QLabel(text, parent);
    case ControlKind::FigureLabel: {
        auto *label = new FigureLabel(parent);
        label->setText(text);
        return label;
    }
    case ControlKind::Button: {
        auto *button = new QPushButton(text, parent);
        // Return and Enter press a focused button as Space does, also outside a dialog.
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::Calendar:
        return new MonthCalendar(parent);
    case ControlKind::CountSelector:
        return new CountSelector(parent);
    case ControlKind::Picture: {
        auto *picture = new QLabel(parent);
        picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return picture;
    }
    case ControlKind::DottedLine:
        return new LineWidget(Qt::DotLine, parent);
    case ControlKind::SolidLine:
        return new LineWidget(Qt::SolidLine, parent);
    case ControlKind::StatusBar: {
        auto *bar = new QStatusBar(parent);
        bar->setSizeGripEnabled(false);
        return bar;
    }
    }
    return new QWidget(parent);
}

} // namespace

QPalette designPalette()
{
    // The light face of the design (Qt's own light Fusion colours), whatever colour scheme the
    // desktop uses: its dark red texts stay readable only on it. Every role of every group is set
    // here, so that no platform theme's palette shows through when the palettes are resolved.
    static const QPalette palette = [] {
        const QColor face{239, 239, 239};
        const QColor dark = face.darker(150);
        const QColor mid = face.darker(130);
        QPalette light{Qt::black, face, face.lighter(150), dark, mid, Qt::black, Qt::white};
        light.setColor(QPalette::Midlight, mid.lighter(110));
        light.setColor(QPalette::Shadow, dark.darker(135));
        light.setColor(QPalette::BrightText, Qt::white);
        light.setColor(QPalette::Highlight, QColor{48, 140, 198});
        light.setColor(QPalette::HighlightedText, Qt::white);
        light.setColor(QPalette::ToolTipBase, QColor{255, 255, 220});
        light.setColor(QPalette::ToolTipText, Qt::black);
        light.setColor(QPalette::Link, Qt::blue);
        light.setColor(QPalette::LinkVisited, Qt::magenta);
        light.setColor(QPalette::PlaceholderText, QColor{0, 0, 0, 128});
        const QColor disabledText{190, 190, 190};
        for (const auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            light.setColor(QPalette::Disabled, role, disabledText);
        light.setColor(QPalette::Disabled, QPalette::Base, face);
        light.setColor(QPalette::Disabled, QPalette::Dark, QColor{209, 209, 209}.darker(110));
        light.setColor(QPalette::Disabled, QPalette::Shadow, dark.darker(135).lighter(150));
        light.setColor(QPalette::Disabled, QPalette::Highlight, QColor{145, 145, 145});
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto colourRole = static_cast<QPalette::ColorRole>(role);
                light.setBrush(group, colourRole, light.brush(group, colourRole));
            }
        }
        return light;
    }();
    return palette;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void setBackgroundColour(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
}

void makeOkButton(QDialog *dialog, QPushButton *ok)
{
    ok->setDefault(true);
    ok->setAutoDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
}

QString controlKey(const char *name, int index)
{
    const QString plain = QString::fromLatin1(name);
    return index < 0 ? plain : plain + QLatin1Char('(') + QString::number(index) + QLatin1Char(')');
}

ControlMap buildControls(QWidget *clientArea, std::span<const ControlSpec> specs)
{
    ControlMap controls;
    for (const ControlSpec &spec : specs) {
        const QString key = controlKey(spec.name, spec.index);
        if (controls.contains(key))
            throw InvalidDesign("the design names two controls " + key.toStdString());
        QWidget *parent = clientArea;
        if (*spec.parent != '\0') {
            parent = controls.value(QString::fromLatin1(spec.parent));
            if (parent == nullptr) {
                throw InvalidDesign("the design's control " + key.toStdString() + " lies in " + spec.parent
                    + ", which is no earlier control of the design");
            }
        }
        QWidget *widget = createWidget(spec, parent);
        widget->setObjectName(QString::fromLatin1(spec.name));
        setOwnFont(widget, fontFor(spec.font));

        const bool isLine = spec.kind == ControlKind::DottedLine || spec.kind == ControlKind::SolidLine;
        const QRect box = isLine ? QRect{twipsToPixels(spec.left), twipsToPixels(spec.top),
                              twipsToPixels(spec.left + spec.width) - twipsToPixels(spec.left), 1}
                                 : rectFromTwips(spec.left, spec.top, spec.width, spec.height);
        widget->setGeometry(box);

        if (auto *label = qobject_cast<QLabel *>(widget)) {
            label->setAlignment(alignmentOf(spec.align));
            label->setWordWrap(spec.wordWrap);
            if (spec.darkRed)
                setTextColour(label, kDarkRed);
            if (spec.autoSize)
                label->resize(label->sizeHint());
            if (auto *figure = qobject_cast<FigureLabel *>(label))
                figure->setDesign(box, box.left(), box.right() + 1);
        }
        if (*spec.toolTip != '\0')
            widget->setToolTip(QString::fromUtf8(spec.toolTip));
        controls.insert(key, widget);
    }
    return controls;
}

} // namespace salvenor::ui
