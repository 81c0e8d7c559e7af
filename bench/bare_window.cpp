// The yardstick of the start-up memory: a bare Qt window, shown, in its event loop.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setCentralWidget(new QLabel(QStringLiteral("QLM-5120RX")));
    window.resize(779, 508);
    window.show();
    return QApplication::exec();
}
