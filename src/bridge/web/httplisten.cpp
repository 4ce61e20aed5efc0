// SPDX-License-Identifier: MIT
// The web face's listening socket, plain or TLS, with every connection let
// in by HttpFace::admit; and the one call in which Qt HttpServer 6.8 differs
// from 6.4, attach().
#include "bridge/web/httpface.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

namespace runo {

namespace {

class PlainServer : public QTcpServer {
public:
    PlainServer(std::function<bool(QTcpSocket*)> admit, QObject* parent)
        : QTcpServer(parent)
        , m_admit(std::move(admit))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor) || !m_admit(socket)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        addPendingConnection(socket);
    }

private:
    std::function<bool(QTcpSocket*)> m_admit;
};

// Hands a listening server to the HTTP server. Qt 6.4's bind() returns
// nothing; from 6.8 on, listen() is gone and bind() says whether it took it.
bool attach(QAbstractHttpServer& http, QTcpServer* server)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return http.bind(server);
#else
    http.bind(server);
    return true;
#endif
}

} // namespace

bool HttpFace::start(const Listen& at, const QList<QSslCertificate>& tlsCertificates, const QSslKey& tlsKey, QString* error)
{
    m_tls = !tlsCertificates.isEmpty();
    const auto admitting = [this](QTcpSocket* socket) { return admit(socket); };
    if (m_tls) {
        auto* server = new QSslServer(this);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificateChain(tlsCertificates);
        tls.setPrivateKey(tlsKey);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server->setSslConfiguration(tls);
        // As the HTTP server does with one connection too many: closed before its handshake.
        connect(server, &QSslServer::startedEncryptionHandshake, this, [admitting](QSslSocket* socket) {
            if (!admitting(socket))
                socket->close();
        });
        m_server = server;
    } else {
        m_server = new PlainServer(admitting, this);
    }
    if (!m_server->listen(at.address, at.port) || !attach(*this, m_server)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

quint16 HttpFace::serverPort() const { return m_server ? m_server->serverPort() : 0; }

} // namespace runo
