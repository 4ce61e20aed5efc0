// SPDX-License-Identifier: MIT
// The real window on the real serial layer. COM1 is a symbolic link in a
// temporary folder, the way a USB adapter is reached through
// /dev/serial/by-id: by default to a pseudo-terminal whose far end the rig
// holds, so what the window sends is read off the wire, and the device can
// vanish (link and far end gone) and come back (a new terminal, linked anew).
#pragma once

#include "app/mainwindow.h"
#include "link/portmap.h"
#include "link/serialcomm.h"
#include "ptypair.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// While one lives: counts Qt's warnings, and keeps out of the log the
// complaint the offscreen platform makes at every change of a fixed size.
class QuietLog {
public:
    QuietLog() { s_previous = qInstallMessageHandler(handle); }
    ~QuietLog() { qInstallMessageHandler(s_previous); }
    static inline int warnings = 0;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        warnings += type != QtDebugMsg && type != QtInfoMsg;
        if (!text.contains(QLatin1String("propagateSizeHints")))
            s_previous(type, context, text);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

// Answers every message box with OK, keeping its text, and every input
// dialog with `answer`.
class BoxWatcher : public QObject {
public:
    QStringList texts;
    QString answer;

    BoxWatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    texts << box->text();
                    box->done(QMessageBox::Ok);
                } else if (auto* input = qobject_cast<QInputDialog*>(w); input && input->isVisible()) {
                    input->setTextValue(answer);
                    input->accept();
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
    explicit WindowRig(bool ownPty = true)
    {
        if (ownPty) {
            pty = std::make_unique<Pty>();
            attach(pty->path());
        }
    }
    ~WindowRig()
    {
        window.reset(); // the panel lets go of the port before the port goes
        comm.reset();
    }

    // Links COM1 to `device` and builds the window on it.
    void attach(const QString& device)
    {
        relink(device);
        open(link);
    }
    // Builds the window on COM1 chosen as `device` (a path or a URL).
    void open(const QString& device)
    {
        ports.choose(1, device);
        comm = std::make_unique<runo::SerialComm>(&ports);
        window = std::make_unique<runo::MainWindow>(comm.get());
    }
    bool show()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    bool relink(const QString& target)
    {
        QFile::remove(link);
        return QFile::link(target, link);
    }
    // The device goes, its name with it.
    void vanish()
    {
        QFile::remove(link);
        pty->close();
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
    const QTimer& timer(int n) { return panel().timer(n); }

    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Press and release with no event handled in between.
    void tap(const QString& name)
    {
        QTest::mousePress(button(name), Qt::LeftButton);
        QTest::mouseRelease(button(name), Qt::LeftButton);
    }

    // The bytes on the wire: up to `count` of them, or whatever comes within
    // `ms`, the event loop running meanwhile.
    QByteArray wire(int ms, qsizetype count = -1) { return pty->readFor(ms, count); }

    QuietLog log; // first in, last out: covers the window's whole life
    BoxWatcher boxes; // there before the window, for boxes at start-up
    QTemporaryDir dir;
    QString link = dir.filePath(QStringLiteral("com1"));
    std::unique_ptr<Pty> pty;
    runo::PortMap ports;
    std::unique_ptr<runo::SerialComm> comm;
    std::unique_ptr<runo::MainWindow> window;
};
