// SPDX-License-Identifier: MIT
#include "app/mainwindow.h"
#include "link/serialcomm.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("runo-control"));
    QApplication::setApplicationVersion(QStringLiteral(RUNO_VERSION));
    // Lets the desktop match the window to its menu entry and installed icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("runo-control"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("runo-control")));

    runo::SerialComm port;
    runo::MainWindow window(&port);
    window.show();
    return app.exec();
}
