#pragma once

#include <chrono>

#include <QDialog>

class QTimer;

namespace salvenor::ui {

// The picture shown while the program starts. It closes on a key press that produces a
// character, a mouse click, or after its time (three seconds), whichever comes first.
class SplashWindow final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SplashWindow)

public:
    static constexpr std::chrono::milliseconds kShowTime{3000};

    // Tests pass a shorter time so that they need not wait.
    explicit SplashWindow(QWidget *parent = nullptr, std::chrono::milliseconds showTime = kShowTime);

    // Shows the splash (unless it already shows) and returns once it has closed. Unlike
    // QDialog::exec it also returns when the splash closed while it was being shown, or before.
    int run();

    QTimer *closeTimer() const { return m_timer; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    bool m_closed = false;
    QPixmap m_picture;
};

} // namespace salvenor::ui
