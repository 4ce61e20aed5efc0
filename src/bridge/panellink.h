// SPDX-License-Identifier: MIT
// The bridge's one contact with the panel: a Panel of its own on the line,
// driven as the operator's clicks and SEND drive it, one exchange at a time,
// and heard through what the panel announces (a line sent or refused, a
// reply received, a reply window closed).
// A line that is one of the panel's command texts goes out as its button
// (with that button's reply window), a hold button's as a press released at
// once, any other line as the free command.
// An exchange ends at the first CR or ACK of its reply, or when the reply
// window for it closes.
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

#include <optional>

namespace runo {

struct LineResult {
    enum class Result { Reply, NoReply, Lost };
    Result result = Result::NoReply;
    QByteArray received; // the reply's bytes, at most Panel::kReceiveBufferLimit of them
    QString status; // the panel's decoded status text, trimmed; empty when none
    QString error; // the line's reason, for Lost
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
    // The port closed and its lock released, as END leaves them.
    void end() { m_panel.end(); }
    Panel* panel() { return &m_panel; }

signals:
    void finished(const LineResult& result);
    // The line went away or could not be reopened; logged once per loss.
    void lineFailed(const QString& reason);

private:
    void takeLine() { m_sent = true; }
    void takeRefusal(const QByteArray& line, const QString& reason);
    void takeReply(const QByteArray& bytes);
    void takeLoss();
    void closeWindow();
    void finish(LineResult::Result result, const QString& error = {});

    SerialComm m_port;
    Panel m_panel;
    QTimer m_holdWindow; // a hold's line: its release stops the panel's window
    QByteArray m_received;
    std::optional<QString> m_refusal;
    bool m_busy = false;
    bool m_sent = false;
};

} // namespace runo
