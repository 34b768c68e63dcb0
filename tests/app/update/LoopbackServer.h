#pragma once
// A one-page HTTP server on 127.0.0.1 for the update tests: answers every request with the body
// it was given, a redirect to itself, or nothing at all, and counts the connections it saw.

#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

class LoopbackServer : public QTcpServer {
public:
    enum class Mode { Serve, RedirectLoop, Silent };

    LoopbackServer() {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

    QUrl url(const QString& path = QStringLiteral("/list.plist")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
    }

    Mode mode = Mode::Serve;
    QByteArray body;
    int connections = 0;
    int requests = 0;

private:
    void answer(QTcpSocket* socket) {
        const QByteArray request = socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        ++requests;
        if (mode == Mode::Silent) return;
        QByteArray reply;
        if (mode == Mode::RedirectLoop) {
            reply = "HTTP/1.1 302 Found\r\nLocation: " + url(QStringLiteral("/again%1").arg(requests)).toEncoded() +
                    "\r\nContent-Length: 0\r\n\r\n";
        } else {
            reply = "HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nContent-Length: " +
                    QByteArray::number(body.size()) + "\r\n\r\n" + body;
        }
        socket->write(reply);
    }
};
