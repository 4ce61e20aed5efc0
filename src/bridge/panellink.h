// SPDX-License-Identifier: MIT
// The bridge's one contact with the panel: a Panel of its own on the line,
// driven as the operator's clicks and SEND drive it, one exchange at a time.
// A line that is one of the panel's command texts goes out as its button
// (with that button's reply window), a hold button's as a press released at
// once, any other line as the free command.
// An exchange ends at the first CR or ACK of its reply, or when the panel's
// reply window for it closes.
//   exchange("CR0")  "CR0\r" out, "80\r" back -> finished({Reply, "80\r", " Stand by"})
//   exchange("C00")  "C00\r" out, ACK back    -> finished({Reply, "\x06", ""})
//   exchange("CR0"), silent projector, 500 ms -> finished({NoReply})
#pragma once

#include "link/serialcomm.h"
#include "panel/panel.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

namespace runo {

struct LineResult {
    enum class Result { Reply, NoReply, Lost };
    Result result = Result::NoReply;
    QByteArray received; // every byte of the reply
    QString status; // the panel's decoded status text, trimmed; empty when none
    QString error; // the line's reason, for Lost
};

// The port, with what crosses it kept for the exchange in progress.
class BridgeComm : public SerialComm {
    Q_OBJECT
public:
    using SerialComm::SerialComm;
    bool output(const QByteArray& text) override;
    QByteArray input() override;

    int lines = 0;
    QByteArray received;
};

class PanelLink : public QObject {
    Q_OBJECT
public:
    // device empty: COM port com as the panel maps it.
    PanelLink(const QString& device, int com, int baud, QObject* parent = nullptr);

    // Opens the line (a network port may still be connecting); false with
    // the reason when it cannot be opened at all.
    bool open(QString* error);
    bool isBusy() const { return m_busy; }
    // Sends one line (without its CR); finished() follows, at once when the
    // line cannot go out.
    void exchange(const QByteArray& line);

signals:
    void finished(const LineResult& result);
    // The line went away or could not be reopened; logged once per loss.
    void lineFailed(const QString& reason);

private:
    void takeReply();
    void closeWindow();
    void finish(LineResult::Result result);

    BridgeComm m_port;
    Panel m_panel;
    QTimer m_window;
    bool m_busy = false;
    int m_lossesSeen = 0;
};

} // namespace runo
