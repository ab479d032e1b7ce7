// The floor for the start-up benchmark: the least a Qt Widgets program does to show a window like
// Kestrune's. One fixed-size window with one captioned push button, so that it loads the font
// and the style just as a real window does.

#include <QApplication>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(177, 201);
    QPushButton button(QStringLiteral("Quit"), &window);
    // Sized from its caption, so the font is loaded before the window is mapped, as Kestrune's
    // text boxes make it be. With a fixed geometry the loading would wait for the first paint,
    // after the map, and the time to the map would leave it out.
    button.move(8, 168);
    button.resize(161, button.sizeHint().height());
    window.show();
    return QApplication::exec();
}
