// Saves the picture of a window on an X server as PNG, as the server shows it:
// window_grab WINDOW_ID OUT.png (the id in decimal or 0x hexadecimal, as xdotool prints it).
#include <cstdio>

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    const QGuiApplication app{argc, argv};
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_grab WINDOW_ID OUT.png\n");
        return 2;
    }
    bool isNumber = false;
    const WId window = QString::fromLocal8Bit(argv[1]).toULongLong(&isNumber, 0);
    if (!isNumber) {
        std::fprintf(stderr, "window_grab: %s is no window id\n", argv[1]);
        return 2;
    }
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "window_grab: could not save the picture of window %s to %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
