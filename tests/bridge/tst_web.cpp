// SPDX-License-Identifier: MIT
// The web face as a browser and a hostile site meet it, on a bridge in this
// process over the simulator's projector: who may do what, the API's bodies
// and errors, and holds that must die with their page.
#include "bridgerig.h"
#include "webclient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

struct WebRig {
    WebRig()
        : rig({"--password-file", passwordFile(), "--http", "0"})
        , web(rig.bridge.webPort())
    {
    }
    QString passwordFile()
    {
        QFile f(dir.filePath("password"));
        f.open(QIODevice::WriteOnly);
        f.write("s3cret\n");
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return f.fileName();
    }
    bool signIn() { return web.ask("POST", "/login", "password=s3cret").status == 303; }
    QTemporaryDir dir;
    BridgeRig rig;
    WebClient web;
};

} // namespace

class TstWeb : public QObject {
    Q_OBJECT
private slots:
    void rules_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("origin"); // "own", "foreign" or none
        QTest::addColumn<bool>("signedIn");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("wire");
        const QByteArray on = "{\"name\":\"POWER ON\"}";
        QTest::newRow("login page") << QByteArray("GET") << QByteArray("/") << QByteArray() << false << QByteArray() << 200
                                    << QByteArray();
        QTest::newRow("api needs a session")
            << QByteArray("GET") << QByteArray("/api/state") << QByteArray() << false << QByteArray() << 401 << QByteArray();
        QTest::newRow("command, no session")
            << QByteArray("POST") << QByteArray("/api/command") << QByteArray("own") << false << on << 401 << QByteArray();
        QTest::newRow("command") << QByteArray("POST") << QByteArray("/api/command") << QByteArray("own") << true << on << 200
                                 << QByteArray("C00");
        QTest::newRow("another site's command")
            << QByteArray("POST") << QByteArray("/api/command") << QByteArray("foreign") << true << on << 403 << QByteArray();
        QTest::newRow("another site's login") << QByteArray("POST") << QByteArray("/login") << QByteArray("foreign") << false
                                              << QByteArray("password=s3cret") << 403 << QByteArray();
        QTest::newRow("malformed") << QByteArray("POST") << QByteArray("/api/command") << QByteArray() << true
                                   << QByteArray("{\"name\":") << 400 << QByteArray();
        QTest::newRow("name not a string") << QByteArray("POST") << QByteArray("/api/command") << QByteArray() << true
                                           << QByteArray("{\"name\":7}") << 400 << QByteArray();
        QTest::newRow("body too long") << QByteArray("POST") << QByteArray("/api/command") << QByteArray() << true
                                       << QByteArray(5000, ' ') << 413 << QByteArray();
    }
    void rules()
    {
        QFETCH(QByteArray, origin);
        QFETCH(bool, signedIn);
        WebRig w;
        QVERIFY(!signedIn || w.signIn());
        const QByteArray originHeader = origin == "own" ? "Origin: http://" + w.web.host() + "\r\n"
            : origin == "foreign"                       ? QByteArray("Origin: http://evil.example\r\n")
                                                        : QByteArray();
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, body);
        const WebReply r = w.web.ask(method, path, body, originHeader);
        QTEST(r.status, "status");
        QCOMPARE(r.header("Content-Security-Policy"), QByteArray("default-src 'self'; connect-src 'self'"));
        QCOMPARE(r.header("X-Content-Type-Options"), QByteArray("nosniff"));
        QCOMPARE(r.header("Referrer-Policy"), QByteArray("no-referrer"));
        QTest::qWait(50);
        QTEST(w.rig.line.wire(), "wire");
    }

    void bodies_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("state at start") << QByteArray("GET") << QByteArray("/api/state") << QByteArray()
                                        << QByteArray("{\"input\":null,\"lamp_hours\":null,\"line\":\"open\",\"mute\":null,"
                                                      "\"power\":null,\"read_at\":{\"input\":null,"
                                                      "\"lamp_hours\":null,\"mute\":null,\"power\":null,\"status\":null,"
                                                      "\"temperatures\":null},\"status\":null,\"temperatures\":null}");
        QTest::newRow("a read, as runoctl --json")
            << QByteArray("POST") << QByteArray("/api/command") << QByteArray("{\"name\":\"read l-time\"}")
            << QByteArray(
                   "{\"command\":\"READ "
                   "L-TIME\",\"exit\":0,\"lines\":1,\"port\":\"/dev/sim\",\"received\":\"01234\\r\",\"reply_window_ms\":500,"
                   "\"result\":\"reply\",\"rxd\":\" 0 1 2 3 4 CR \",\"sent\":\"CR3\\r\",\"state\":{\"lamp_hours\":1234},"
                   "\"status\":\" 0 1 2 3 4 CR  Hour Use\",\"text\":\"01234 Hour Use\",\"txd\":\" C R 3 CR \"}");
        QTest::newRow("unknown name") << QByteArray("POST") << QByteArray("/api/command")
                                      << QByteArray("{\"name\":\"READ L-TME\"}")
                                      << QByteArray(
                                             "{\"closest\":\"READ L-TIME\",\"error\":\"no command named \\\"READ L-TME\\\"\"}");
    }
    void bodies()
    {
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, body);
        WebRig w;
        QVERIFY(w.signIn());
        QTEST(w.web.ask(method, path, body).body, "reply");
    }

    void lockout_data()
    {
        QTest::addColumn<QByteArrayList>("passwords");
        QTest::addColumn<QList<int>>("statuses");
        const QByteArrayList fourWrong {"x", "x", "x", "x"};
        QTest::newRow("four wrong, then right") << fourWrong + QByteArrayList {"s3cret"} << QList<int> {401, 401, 401, 401, 303};
        QTest::newRow("five wrong lock the right one out")
            << fourWrong + QByteArrayList {"x", "s3cret"} << QList<int> {401, 401, 401, 401, 401, 429};
    }
    void lockout()
    {
        QFETCH(QByteArrayList, passwords);
        WebRig w;
        QList<int> statuses;
        for (const QByteArray& p : passwords)
            statuses << w.web.ask("POST", "/login", "password=" + p).status;
        QTEST(statuses, "statuses");
    }

    void sessionCookie()
    {
        WebRig w;
        const WebReply in = w.web.ask("POST", "/login", "password=s3cret");
        QVERIFY(in.header("Set-Cookie").endsWith("; HttpOnly; SameSite=Strict; Path=/; Max-Age=43200"));
        QCOMPARE(w.web.ask("GET", "/api/state").status, 200);
        QCOMPARE(w.web.ask("POST", "/logout").status, 303);
        QCOMPARE(w.web.ask("GET", "/api/state").status, 401);
    }

    // A page opens only from the bridge's own origin, with a session.
    void liveRefused_data()
    {
        QTest::addColumn<bool>("own");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("another site") << false << true;
        QTest::newRow("no session") << true << false;
    }
    void liveRefused()
    {
        QFETCH(bool, own);
        QFETCH(bool, signedIn);
        WebRig w;
        QVERIFY(!signedIn || w.signIn());
        QWebSocket page(own ? w.web.origin() : QStringLiteral("http://evil.example"));
        QSignalSpy connected(&page, &QWebSocket::connected);
        w.web.openPage(page);
        QVERIFY(!connected.wait(1000));
        QCOMPARE(w.rig.bridge.web()->pages(), 0);
    }

    // A hold repeats at the panel's interval until its page lets go, and
    // another page meanwhile is refused and hears every line.
    void hold_data()
    {
        QTest::addColumn<QString>("end"); // "release", "close" or "silence"
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<int>("lines"); // VOL + at 0, 250, 500, ... ms, and 1 s after the last message
        // Each end falls halfway between two lines, so a loaded machine's late timer cannot move it past one.
        QTest::newRow("released") << "release" << 2025 << 9;
        QTest::newRow("page closed") << "close" << 525 << 3;
        QTest::newRow("silent page") << "silence" << 275 << 6;
    }
    void hold()
    {
        QFETCH(QString, end);
        QFETCH(int, heldMs);
        WebRig w;
        QVERIFY(w.signIn());
        QWebSocket holder(w.web.origin()), other(w.web.origin());
        QStringList heard;
        connect(&other, &QWebSocket::textMessageReceived, &other, [&heard](const QString& m) { heard << m; });
        for (QWebSocket* page : {&holder, &other}) {
            QSignalSpy hello(page, &QWebSocket::textMessageReceived);
            w.web.openPage(*page);
            QVERIFY(hello.wait(2000));
        }
        holder.sendTextMessage("{\"type\":\"press\",\"name\":\"VOL +\"}");
        QTest::qWait(100);
        other.sendTextMessage("{\"type\":\"press\",\"name\":\"VOL -\"}");
        for (int t = 0; t < heldMs; t += 250) {
            QTest::qWait(std::min(250, heldMs - t));
            holder.sendTextMessage("{\"type\":\"keepalive\"}");
        }
        if (end == "release")
            holder.sendTextMessage("{\"type\":\"release\"}");
        else if (end == "close")
            holder.close();
        QTest::qWait(end == "silence" ? 1250 : 100);
        const qsizetype atEnd = w.rig.line.lines.size();
        QTest::qWait(600);
        QCOMPARE(w.rig.line.lines.size(), atEnd); // nothing after the end
        QFETCH(int, lines); // give or take one, as a loaded machine times it
        QVERIFY2(std::abs(int(w.rig.line.lines.count("C09")) - lines) <= 1, w.rig.line.wire().constData());
        QVERIFY(!w.rig.line.lines.contains("C0A"));
        QVERIFY(heard.contains("{\"message\":\"another page holds a button\",\"name\":\"VOL -\",\"type\":\"refused\"}"));
        QCOMPARE(heard.count(QStringLiteral("{\"name\":\"VOL +\",\"result\":\"reply\",\"rxd\":\" ACK "
                                            "\",\"status\":\"\",\"txd\":\" C 0 9 CR \",\"type\":\"exchange\"}")),
            w.rig.line.lines.count("C09"));
        QVERIFY(heard.last().contains("\"holding\":false"));
    }
};

QTEST_GUILESS_MAIN(TstWeb)
#include "tst_web.moc"
