// SPDX-License-Identifier: MIT
// runo-qtfloor: a Qt Core program that starts and ends, nothing else. Its
// run time is what any Qt Core program pays to load and set up Qt; runoctl's
// figures are put beside it.
#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    return 0;
}
