// The start-up benchmark's floor: the least a Qt Widgets program does to show a window like
// Kestrune's, fixed-size with one captioned button, so that it loads the font and the style too.

#include <QApplication>
#include <QPushButton>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(177, 201);
    QPushButton button(QStringLiteral("Quit"), &window);
    // Sized from its caption, so the font loads before the map, as in Kestrune; with a fixed
    // geometry it would wait for the first paint, and the time to the map would leave it out.
    button.move(8, 168);
    button.resize(161, button.sizeHint().height());
    window.show();
    return QApplication::exec();
}
