#include "placement.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <QtGui/qguiapplication_platform.h>

namespace salvenor::ui {

namespace {

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    const auto length = static_cast<std::uint16_t>(std::strlen(name));
    xcb_intern_atom_reply_t *reply
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): xcb's replies are malloc'ed
    return atom;
}

// The 32-bit values of a window's property of type ATOM or CARDINAL.
std::vector<std::uint32_t> propertyValues(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t property)
{
    constexpr std::uint32_t kMostValues = 4096;
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ANY, 0, kMostValues), nullptr);
    std::vector<std::uint32_t> values;
    if (reply != nullptr && reply->format == 32) {
        const auto *first = static_cast<const std::uint32_t *>(xcb_get_property_value(reply));
        values.assign(first, first + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): xcb's replies are malloc'ed
    return values;
}

// Whether an EWMH window manager runs: the root names its check window, and that window names
// itself. One that has ended leaves the root's properties behind.
bool windowManagerRuns(xcb_connection_t *connection, xcb_window_t root)
{
    const xcb_atom_t check = atomNamed(connection, "_NET_SUPPORTING_WM_CHECK");
    const std::vector<std::uint32_t> named = propertyValues(connection, root, check);
    return named.size() == 1 && propertyValues(connection, named.front(), check) == named;
}

// The frame an X window manager will put around the window, asked for before the window is mapped
// (_NET_REQUEST_FRAME_EXTENTS): so the window can be placed where its frame belongs at once,
// rather than moved after it has shown. Nothing where no window manager answers in time.
std::optional<QMargins> frameToCome(QWidget *window)
{
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint))
        return QMargins{}; // a window manager would answer for a frame the window never gets
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr)
        return std::nullopt;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (!windowManagerRuns(connection, root))
        return std::nullopt;
    const xcb_atom_t request = atomNamed(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const std::vector<std::uint32_t> supported
        = propertyValues(connection, root, atomNamed(connection, "_NET_SUPPORTED"));
    if (request == XCB_ATOM_NONE || std::find(supported.begin(), supported.end(), request) == supported.end())
        return std::nullopt;
    // A window manager that left one request unanswered is not waited for again.
    static bool unanswered = false;
    if (unanswered)
        return std::nullopt;

    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t extents = atomNamed(connection, "_NET_FRAME_EXTENTS");
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
        reinterpret_cast<const char *>(&message)); // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast): xcb's API
    xcb_flush(connection);
    // Window managers answer within a few milliseconds; a busy one is not waited for long.
    constexpr int kAttempts = 40;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (const std::vector<std::uint32_t> ltrb = propertyValues(connection, id, extents); ltrb.size() == 4) {
            const qreal ratio = window->devicePixelRatioF();
            const auto logical
                = [ratio](std::uint32_t pixels) { return static_cast<int>(std::lround(pixels / ratio)); };
            return QMargins{logical(ltrb[0]), logical(ltrb[2]), logical(ltrb[1]), logical(ltrb[3])};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds{5});
    }
    unanswered = true;
    return std::nullopt;
}

QMargins frameOf(QWidget *window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    if (window->isVisible() && outer != inner)
        return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
    return frameToCome(window).value_or(QMargins{});
}

// The factor QT_SCALE_FACTOR gives all screens, read as Qt reads it.
qreal scaleFactorChosen()
{
    bool ok = false;
    const qreal factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&ok);
    return ok && factor > 0 ? factor : 1.0;
}

} // namespace

QScreen *screenOfThePointer()
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

void scaleToFitScreen(QSize designSize, QScreen *screen)
{
    if (screen == nullptr || designSize.isEmpty())
        return;
    const qreal ratio = screen->devicePixelRatio();
    QMargins frame;
    {
        // The window manager's frame, in the desktop's pixels: it does not scale with the program.
        // The probe's window goes before the scale changes, as Qt requires.
        QWidget probe;
        frame = frameOf(&probe) * ratio;
    }
    const QRect available = screen->availableGeometry();
    const qreal widthRoom = available.width() * ratio - frame.left() - frame.right();
    const qreal heightRoom = available.height() * ratio - frame.top() - frame.bottom();
    const qreal fitting = std::min(widthRoom / designSize.width(), heightRoom / designSize.height());
    // Qt 6.4 draws a window only in part at a scale below 1: the design's own size is the
    // smallest, and a screen smaller than it shows the window's top-left part.
    const qreal scale = std::max(fitting, qreal{1});
    if (scale >= ratio || !std::isfinite(scale))
        return;
    // Hundredths, rounded down: the window must fit, not nearly.
    const qreal global = std::floor(scaleFactorChosen() * scale / ratio * 100) / 100;
    if (global > 0)
        QHighDpiScaling::setGlobalFactor(global);
}

void centreOnScreen(QWidget *window)
{
    // A window the main window owns opens on the owner's screen; a window of its own on the
    // screen it was given (the start-up's windows: the pointer's when the program started).
    QScreen *screen = window->parentWidget() != nullptr ? window->parentWidget()->window()->screen() : window->screen();
    if (screen == nullptr)
        return;
    window->setScreen(screen);
    const QRect available = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    QRect outer = QRect{QPoint{}, window->size()}.marginsAdded(frame);
    outer.moveCenter(available.center());
    // A screen smaller than the window shows its top-left part rather than cutting off the title.
    outer.moveTopLeft({std::max(outer.left(), available.left()), std::max(outer.top(), available.top())});
    // The window itself, inside its frame: placed exactly, whatever the window manager's gravity.
    window->setGeometry(QRect{outer.topLeft() + QPoint{frame.left(), frame.top()}, window->size()});
}

} // namespace salvenor::ui
