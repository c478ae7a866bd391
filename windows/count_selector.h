#pragma once

#include <QComboBox>
#include <QElapsedTimer>

namespace salvenor::ui {

// A drop-down list of counts that cannot be typed into. A typed number picks that count: its
// digits typed each within the keyboard's input interval of the one before ("1" then "5" is 15). A
// number above the last item changes nothing: the count goes back to what it was before its first
// digit, and the digits that follow at once still belong to that number.
// Any other key ends the number being typed. Arrow keys, the wheel and the mouse work as on any
// list; every pick by the user is reported through `activated`.
class CountSelector final : public QComboBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CountSelector)

public:
    explicit CountSelector(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Returns whether the key was a digit (taken, whether or not it picked a count).
    bool takeDigit(const QKeyEvent *event);

    QString m_typed;
    // The count shown before the first digit of the number being typed.
    int m_indexBeforeTyping = -1;
    QElapsedTimer m_sinceLastDigit;
};

} // namespace salvenor::ui
