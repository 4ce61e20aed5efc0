// SPDX-License-Identifier: MIT
// porthold DEVICE: another program using the serial port. Opens DEVICE the
// way the panel does (lock file and exclusive mode), prints "held" and keeps
// it until its standard input closes.
#include <QCoreApplication>
#include <QSerialPort>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: porthold DEVICE\n");
        return 2;
    }
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "porthold: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char buf[64];
    while (::read(STDIN_FILENO, buf, sizeof buf) > 0) { }
    return 0;
}
