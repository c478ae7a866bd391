#pragma once

#include <span>
#include <stdexcept>

#include <QHash>
#include <QPalette>
#include <QRect>
#include <QString>

class QColor;
class QDialog;
class QPushButton;
class QWidget;

namespace salvenor::ui {

// The windows' fixed design is kept in twips (1/1440 inch); 15 twips are one device-independent
// pixel, and Qt scales those for high-DPI screens.
inline constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips)
{
    // Rounded half away from zero, so that positions and sizes convert alike.
    return twips >= 0 ? (2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel)
                      : -((-2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel));
}

constexpr int pixelsToTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}

QRect rectFromTwips(int left, int top, int width, int height);

enum class ControlKind {
    Frame,
    Label,
    FigureLabel,
    Button,
    Calendar,
    CountSelector,
    Picture,
    DottedLine,
    SolidLine,
    StatusBar
};
enum class Align { Left, Centre, Right };
enum class FontRole { Base, Frame, Emphasis, Result };

// One control of a window's design. Positions are relative to the parent control (a frame or
// picture box named in `parent`), or to the window's client area when `parent` is empty. A line
// runs from (left, top) to (left + width, top).
struct ControlSpec
{
    const char *name;
    ControlKind kind;
    const char *parent;
    int left;
    int top;
    int width;
    int height;
    const char *text = "";
    Align align = Align::Left;
    bool autoSize = false;
    bool darkRed = false;
    FontRole font = FontRole::Base;
    const char *toolTip = "";
    bool wordWrap = false;
    // The index of a control array's member (two lines of one name); -1 for a single control.
    int index = -1;
};

// The controls by name; a control array's members as "Line1(0)", "Line1(1)" (see controlKey).
using ControlMap = QHash<QString, QWidget *>;

// The key of a control in a ControlMap: its name, with "(index)" for a control array's member.
QString controlKey(const char *name, int index = -1);

// A design table that cannot be built: a control names a parent that no earlier control of the
// table has, or two controls share one name (and index).
class InvalidDesign : public std::logic_error
{
public:
    using std::logic_error::logic_error;
};

// A control a window needs is missing from its design, or is of another kind.
class MissingControl : public std::logic_error
{
public:
    explicit MissingControl(const QString &name)
        : std::logic_error("the design has no control " + name.toStdString() + " of the needed kind")
    { }
};

// The control of that name and type, looked up once when a window is built.
template<typename T> T *requireControl(const ControlMap &controls, const QString &name)
{
    auto *control = qobject_cast<T *>(controls.value(name));
    if (control == nullptr)
        throw MissingControl(name);
    return control;
}

// Creates the controls in table order (later ones stand above earlier ones) with their object
// names, geometry, texts, alignment, colours and fonts. Throws InvalidDesign, naming the control,
// on a parent that is not an earlier control or on a name given twice.
ControlMap buildControls(QWidget *clientArea, std::span<const ControlSpec> specs);

// The colours of the fixed designs (Fusion's light palette), given to every window of the program.
QPalette designPalette();

void setTextColour(QWidget *widget, const QColor &colour);
void setBackgroundColour(QWidget *widget, const QColor &colour);

// The dialog's OK button: the default button (Enter) that also closes the dialog; Esc closes a
// QDialog by itself.
void makeOkButton(QDialog *dialog, QPushButton *ok);

} // namespace salvenor::ui
