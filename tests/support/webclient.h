// SPDX-License-Identifier: MIT
// An HTTP/1.1 client of the bridge's web face on 127.0.0.1 that waits in
// the event loop, so the bridge may run in this process; shared with the
// benchmark.
//   WebClient web(rig.bridge.webPort());
//   web.ask("POST", "/login", "password=s3cret").status   303
//   web.ask("GET", "/api/state").body                     {"input":null,...}   (the session cookie kept)
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

struct WebReply {
    int status = 0; // 0: no whole response in time
    QByteArray head;
    QByteArray body;
    QByteArray header(const QByteArray& name) const
    {
        for (const QByteArray& line : head.split('\n'))
            if (line.toLower().startsWith(name.toLower() + ':'))
                return line.mid(name.size() + 1).trimmed();
        return {};
    }
};

class WebClient {
public:
    explicit WebClient(quint16 port)
        : m_port(port)
    {
    }
    QByteArray cookie; // "runo_session=..."; set by a 303 that sets it

    WebReply ask(const QByteArray& method, const QByteArray& path, const QByteArray& body = {}, const QByteArray& more = {})
    {
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, m_port);
        s.write(method + ' ' + path + " HTTP/1.1\r\nHost: " + host() + "\r\n"
            + (cookie.isEmpty() ? "" : "Cookie: " + cookie + "\r\n") + more + "Content-Length: " + QByteArray::number(body.size())
            + "\r\n\r\n" + body);
        QByteArray got;
        WebReply r;
        (void)QTest::qWaitFor(
            [&] {
                got += s.readAll();
                const qsizetype end = got.indexOf("\r\n\r\n");
                if (end < 0)
                    return false;
                r.head = got.left(end);
                r.body = got.mid(end + 4);
                return r.body.size() >= r.header("Content-Length").toInt();
            },
            5000);
        r.status = r.head.mid(9, 3).toInt();
        if (r.status == 303 && r.header("Set-Cookie").startsWith("runo_session="))
            cookie = r.header("Set-Cookie").split(';').first();
        return r;
    }
    QByteArray host() const { return "127.0.0.1:" + QByteArray::number(m_port); }
    QString origin() const { return QStringLiteral("http://") + QString::fromLatin1(host()); }
    // A live page, made with its Origin: QWebSocket page(web.origin()).
    void openPage(QWebSocket& page)
    {
        QNetworkRequest request(QUrl(QStringLiteral("ws://%1/api/live").arg(QString::fromLatin1(host()))));
        if (!cookie.isEmpty())
            request.setRawHeader("Cookie", cookie);
        page.open(request);
    }

private:
    quint16 m_port;
};
