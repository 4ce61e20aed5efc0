// SPDX-License-Identifier: MIT
// A recording stand-in for the serial port: every operation is logged, any
// operation can be made to fail, and received data is delivered by hand.
#pragma once

#include "link/mscomm.h"

#include <QSet>
#include <QStringList>

class FakeComm : public runo::MSComm {
public:
    QStringList log; // "port 1", "settings 19200,N,8,1", "open", "close", "output C00\r"
    QSet<QString> failing; // operations that fail: "port", "settings", "open", "close", "output"
    QByteArray written; // every byte output
    QByteArray queue; // waiting received bytes
    bool open = false;
    int port = 1;
    int event = 0;
    QString settingsText = QStringLiteral("9600,N,8,1");

    bool setCommPort(int p) override
    {
        log << QStringLiteral("port %1").arg(p);
        if (failing.contains(QStringLiteral("port")) || open)
            return fail(QStringLiteral("COM%1: cannot set port").arg(p));
        port = p;
        return true;
    }
    int commPort() const override { return port; }
    bool setSettings(const QString& s) override
    {
        log << QStringLiteral("settings ") + s;
        if (failing.contains(QStringLiteral("settings")))
            return fail(QStringLiteral("COM%1: bad settings").arg(port));
        settingsText = s;
        return true;
    }
    QString settings() const override { return settingsText; }
    bool setPortOpen(bool o) override
    {
        log << (o ? QStringLiteral("open") : QStringLiteral("close"));
        if (failing.contains(o ? QStringLiteral("open") : QStringLiteral("close")))
            return fail(QStringLiteral("COM%1 (/dev/fake%1): No such file or directory").arg(port));
        open = o;
        return true;
    }
    bool portOpen() const override { return open; }
    bool output(const QByteArray& text) override
    {
        log << QStringLiteral("output ") + QString::fromLatin1(text);
        if (failing.contains(QStringLiteral("output")) || !open)
            return fail(QStringLiteral("COM%1: write failed").arg(port));
        written += text;
        return true;
    }
    QByteArray input() override { return std::exchange(queue, QByteArray()); }
    int commEvent() const override { return event; }

    void deliver(const QByteArray& bytes, int code = comEvReceive)
    {
        queue += bytes;
        event = code;
        emit onComm();
    }
};
