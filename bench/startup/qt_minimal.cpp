// The yardstick for start-up time: a Qt program that only shows an empty
// window with a title.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("qt-minimal-window");
    window.resize(542, 445);
    window.show();
    return app.exec();
}
