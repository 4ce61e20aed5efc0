#include "app/mainwindow.h"
#include "link/serialcomm.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("runo-control"));
    QApplication::setApplicationVersion(QStringLiteral("1.40"));

    runo::SerialComm port;
    runo::MainWindow window(&port);
    window.show();
    return app.exec();
}
