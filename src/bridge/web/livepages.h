// SPDX-License-Identifier: MIT
// The open remote pages (GET /api/live): each hears every exchange on the
// line, whoever asked for it, and presses the panel's buttons.
//   page -> {"type":"press","name":"POWER ON"}   one exchange; every page <- {"type":"exchange",...}
//   page -> {"type":"press","name":"VOL +"}      the hold starts: "C09" at once, then every 250 ms
//   page -> {"type":"keepalive"} every 250 ms, then {"type":"release"}   the hold ends
// A hold never outlives its page: it ends at the release, when the page's
// socket closes, or after kSilenceMs without a message from it. One hold at
// a time: another page's press meanwhile is refused on that page.
#pragma once

#include "bridge/linequeue.h"
#include "bridge/web/webjson.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <QWebSocket>

#include <memory>
#include <vector>

namespace runo {

struct HoldButton;

class LivePages : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxPages = 64;
    static constexpr int kMaxPagesPerAddress = 8;
    static constexpr qint64 kMaxMessageBytes = 1024;
    static constexpr qint64 kMaxUnsentBytes = qint64(256) * 1024; // a page that reads nothing is closed past it
    static constexpr int kSilenceMs = 1000;

    LivePages(LineQueue* queue, PanelLink* link, QObject* parent = nullptr);
    ~LivePages() override;

    // Whether a page from this address may open now.
    bool admits(const QHostAddress& address) const;
    // Serves the page, of the session `session` (empty without a password).
    void open(std::unique_ptr<QWebSocket> owned, const QByteArray& session);
    // Closes the session's pages, at its logout.
    void closeSession(const QByteArray& session);
    int count() const { return int(m_pages.size()); }
    bool holding() const { return m_hold == Hold::Holding; }
    LineState line() const;

private:
    struct Page {
        QWebSocket* socket;
        QHostAddress address;
        QByteArray session;
    };
    //   Idle -> Holding (a page's press of a hold button) -> Idle (release, close, silence)
    enum class Hold { Idle, Holding };

    void take(QWebSocket* socket, const QString& message);
    void press(QWebSocket* socket, const QString& name);
    void startHold(QWebSocket* socket, const HoldButton& button);
    void repeat();
    void endHold();
    void closed(QWebSocket* socket);
    void announce(const Exchange& exchange);
    void announceLine();
    void send(QWebSocket* socket, const QJsonObject& message);
    void sendText(QWebSocket* socket, const QString& message);
    void sendAll(const QJsonObject& message);
    void sendHold();
    void refuse(QWebSocket* socket, const QString& name, const QString& message);
    QJsonObject holdJson(const QWebSocket* socket) const;

    LineQueue* m_queue;
    PanelLink* m_link;
    std::vector<Page> m_pages;
    Hold m_hold = Hold::Idle;
    QWebSocket* m_holder = nullptr;
    const HoldButton* m_held = nullptr;
    QObject m_holdLines; // the asker of the hold's lines, withdrawn at its end
    bool m_holdLineWaiting = false;
    QTimer m_repeat; // the next line of the hold
    QTimer m_silence; // the holder's silence
    qint64 m_nextLineMs = 0; // since m_holdClock started
    QElapsedTimer m_holdClock;
    bool m_lost = false;
    LineState m_lastLine = LineState::Closed;
    QJsonObject m_lastValues; // the state last sent, without its times
};

} // namespace runo
