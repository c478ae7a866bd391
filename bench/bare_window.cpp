// The yardstick for start-up: a bare Qt Widgets program that shows one empty window.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app{argc, argv};
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare"));
    window.resize(654, 513);
    window.show();
    return QApplication::exec();
}
