// A bare Qt window, shown after the wait the program's start-up read-back makes (150,001
// passes of event processing), so that start-up times under Wine can be compared.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    for (long i = 0; i < 150001; ++i)
        QCoreApplication::processEvents();
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(779, 508);
    window.show();
    return QApplication::exec();
}
