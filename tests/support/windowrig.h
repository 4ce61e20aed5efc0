// SPDX-License-Identifier: MIT
// The real window on the real serial layer. COM1 is a symbolic link in a
// temporary folder, the way a USB adapter is reached through
// /dev/serial/by-id: by default to a pseudo-terminal whose far end the rig
// holds, so what the window sends is read off the wire, and the device can
// vanish (link and far end gone) and come back (a new terminal, linked anew).
#pragma once

#include "app/layout/formbuilder.h"
#include "app/mainwindow.h"
#include "link/serialcomm.h"
#include "ptypair.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

// While one lives: counts Qt's warnings, and keeps out of the log the
// complaint the offscreen platform makes at every change of a window's fixed
// size (counted all the same).
class QuietLog {
public:
    QuietLog()
    {
        if (s_depth++ == 0)
            s_previous = qInstallMessageHandler(handle);
    }
    ~QuietLog()
    {
        if (--s_depth == 0)
            qInstallMessageHandler(s_previous);
    }
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

    // Warnings, criticals and fatals so far, in this process.
    static int warnings() { return s_warnings; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            ++s_warnings;
        if (s_previous && !text.contains(QLatin1String("does not support propagateSizeHints")))
            s_previous(type, context, text);
    }
    static inline int s_depth = 0;
    static inline QtMessageHandler s_previous = nullptr;
    static inline std::atomic<int> s_warnings {0};
};

// Answers every message box that comes up with OK, keeping what it said.
class BoxWatcher : public QObject {
public:
    QStringList texts;
    QList<QMessageBox::Icon> icons;

    BoxWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(w);
                if (box && box->isVisible()) {
                    texts << box->text();
                    icons << box->icon();
                    box->done(QMessageBox::Ok);
                }
            }
        });
        m_timer.start(20);
    }

private:
    QTimer m_timer;
};

class WindowRig {
public:
    enum class Device { OwnPty, Later };

    // With Device::Later, COM1 and the window wait for attach().
    explicit WindowRig(Device device = Device::OwnPty)
    {
        if (device == Device::OwnPty) {
            pty = std::make_unique<Pty>();
            attach(pty->path());
        }
    }
    ~WindowRig()
    {
        window.reset(); // the panel lets go of the port before the port goes
        comm.reset();
        qunsetenv("RUNO_COM1");
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    // Links COM1 to `device` and builds the window on it.
    bool attach(const QString& device)
    {
        if (!relink(device))
            return false;
        qputenv("RUNO_COM1", QFile::encodeName(link));
        comm = std::make_unique<runo::SerialComm>();
        window = std::make_unique<runo::MainWindow>(comm.get());
        return true;
    }

    // False also when there is no window: COM1 could not be linked.
    bool show()
    {
        if (!window)
            return false;
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // COM1 now names `target`.
    bool relink(const QString& target)
    {
        QFile::remove(link);
        return QFile::link(target, link);
    }
    // The device goes, its name with it.
    bool vanish()
    {
        const bool removed = QFile::remove(link);
        if (pty)
            pty->close();
        return removed;
    }
    // A new terminal under COM1's name.
    bool comeBack()
    {
        pty = std::make_unique<Pty>();
        return relink(pty->path());
    }

    runo::Panel& panel() { return window->panel(); }
    const runo::layout::Form& form() const { return window->form(); }
    QPushButton* button(const QString& name) const { return form().button(name); }
    QString text(const QString& label) const { return form().label(label)->text(); }

    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Press and release with no event handled in between.
    void tap(const QString& name, Qt::MouseButton with = Qt::LeftButton)
    {
        QTest::mousePress(button(name), with);
        QTest::mouseRelease(button(name), with);
    }
    // Sends a command typed into the free command entry.
    void sendTyped(const QString& command)
    {
        form().textBox()->setText(command);
        click(QStringLiteral("Command95"));
    }
    // Closes the reply window and clears the display at once, as their
    // timers would, so the next reply starts afresh.
    void freshReplyWindow()
    {
        panel().closeReplyWindow();
        panel().clearTrafficDisplay();
    }

    // The bytes on the wire: up to `count` of them, or whatever comes within
    // `ms`, the event loop running meanwhile.
    QByteArray wire(int ms, qsizetype count = -1) { return pty->readFor(ms, count); }
    // Writes on the wire as fast as the terminal takes it, the panel reading
    // meanwhile.
    bool feed(const QByteArray& bytes)
    {
        qsizetype done = 0;
        QDeadlineTimer deadline(10000);
        while (done < bytes.size() && !deadline.hasExpired()) {
            const ssize_t n = ::write(pty->masterFd(), bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done == bytes.size();
    }
    // Writes on the wire and lets the panel read until `count` bytes are in.
    bool reply(const QByteArray& bytes, qsizetype count)
    {
        if (!feed(bytes))
            return false;
        QDeadlineTimer deadline(3000);
        while (panel().receiveBuffer().size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return panel().receiveBuffer().size() == count;
    }

    QuietLog log; // first in, last out: covers the window's whole life
    BoxWatcher boxes; // there before the window, for boxes at start-up
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("com1"));
    std::unique_ptr<Pty> pty; // the far end, with Device::OwnPty
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
