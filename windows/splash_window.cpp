#include "splash_window.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "design.h"
#include "placement.h"

namespace salvenor::ui {

namespace {

constexpr int kClientWidth = 7815;
constexpr int kClientHeight = 4740;

} // namespace

SplashWindow::SplashWindow(QWidget *parent, std::chrono::milliseconds showTime)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_timer(new QTimer(this))
    , m_picture(QStringLiteral(":/images/splash.png"))
{
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setFocusPolicy(Qt::StrongFocus);

    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(showTime);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
    connect(this, &QDialog::finished, this, [this] { m_closed = true; });
    m_timer->start();
}

int SplashWindow::run()
{
    if (m_closed)
        return result();
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    if (!isVisible()) {
        setWindowModality(Qt::ApplicationModal);
        show();
    }
    if (!m_closed && isVisible())
        loop.exec(QEventLoop::DialogExec);
    return result();
}

void SplashWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen(this);
    // Without a window manager nobody hands the focus over, and a key press would go nowhere.
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void SplashWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->text().isEmpty()) {
        event->ignore();
        return;
    }
    accept();
}

void SplashWindow::mousePressEvent(QMouseEvent *)
{
    accept();
}

void SplashWindow::paintEvent(QPaintEvent *)
{
    QPainter painter{this};
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(0, 0, m_picture);
}

} // namespace salvenor::ui
