// The real window on the real serial layer: COM1 is a pseudo-terminal whose
// far end the test holds, so what the window sends is read off the wire.
#pragma once

#include "app/layout/formbuilder.h"
#include "app/mainwindow.h"
#include "link/serialcomm.h"
#include "ptypair.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

class WindowRig {
public:
    WindowRig()
    {
        qputenv("RUNO_COM1", pty.path().toLocal8Bit());
        comm = std::make_unique<runo::SerialComm>();
        window = std::make_unique<runo::MainWindow>(comm.get());
    }
    ~WindowRig()
    {
        window.reset(); // the panel lets go of the port before the port goes
        comm.reset();
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    bool show()
    {
        window->show();
        return QTest::qWaitForWindowActive(window.get());
    }

    runo::Panel& panel() { return window->panel(); }
    const runo::layout::Form& form() const { return window->form(); }
    QPushButton* button(const QString& name) const { return form().button(name); }
    QString text(const char* label) const { return form().label(QLatin1String(label))->text(); }

    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Press and release with no event handled in between.
    void tap(const QString& name, Qt::MouseButton with = Qt::LeftButton)
    {
        QTest::mousePress(button(name), with);
        QTest::mouseRelease(button(name), with);
    }

    // The bytes on the wire: up to `count` of them, or whatever comes within `ms`.
    QByteArray wire(int ms, qsizetype count = -1) { return pty.readFor(ms, count); }

    Pty pty;
    std::unique_ptr<runo::SerialComm> comm;
    std::unique_ptr<runo::MainWindow> window;
};

// How many times `line` makes up `bytes`; -1 if anything else is in it.
inline int countLines(const QByteArray& bytes, const QByteArray& line)
{
    if (line.isEmpty() || bytes.size() % line.size() != 0)
        return -1;
    const int n = int(bytes.size() / line.size());
    return bytes == line.repeated(n) ? n : -1;
}
