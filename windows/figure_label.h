#pragma once

#include <QLabel>

namespace salvenor::ui {

// A label for a figure that must never be cut: when the text is wider than the designed box, the
// label grows into the room it may use (a right-aligned figure to the left, a centred one to both
// sides) and, where even that is too narrow, switches to a narrower face and then smaller sizes.
class FigureLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FigureLabel)

public:
    explicit FigureLabel(QWidget *parent = nullptr);

    // The designed box and the horizontal room (in the parent's coordinates) the label may take.
    void setDesign(const QRect &designRect, int roomLeft, int roomRight);
    void setFigure(const QString &text);
    // What a screen reader says after the figure: "18,40 €", "1 Nacht", "4 Nächte".
    void setUnit(const QString &singular, const QString &plural);
    QRect designRect() const { return m_design; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void refit();

    QRect m_design;
    int m_roomLeft = 0;
    int m_roomRight = 0;
    QFont m_designFont;
    bool m_fitting = false;
    QString m_unitSingular;
    QString m_unitPlural;
};

} // namespace salvenor::ui
