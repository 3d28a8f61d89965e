#include "remote_server.h"

#include <QApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <chrono>
#include <string_view>

#include "interpreter.h"

namespace kteval::ui {

namespace {

constexpr qsizetype kMaxLine = static_cast<qsizetype>(remote::kMaxLineLength);
// How long one client's lines may run before the event loop gets its say
// (repaints, the operator, other clients): about one frame.
constexpr std::chrono::milliseconds kTurn{15};
// How much is read from a socket at once, and held unread in its buffer: a
// client that sends more waits for TCP's flow control.
constexpr qint64 kReadChunk = 64 * 1024;
constexpr qint64 kSocketReadBuffer = 256 * 1024;
// Answers not yet taken by a client beyond which its input is paused.
constexpr qint64 kMaxUnreadAnswers = 1024 * 1024;
// How often a waiting input looks whether the operator's box has closed.
constexpr int kRetryMilliseconds = 20;

}  // namespace

std::optional<ListenAddress> parseListenAddress(const QString& text) {
    ListenAddress result{QHostAddress(QHostAddress::LocalHost), 0};
    QString portText = text;
    const qsizetype colon = text.lastIndexOf(QChar(':'));
    if (colon >= 0) {
        QString host = text.left(colon);
        portText = text.mid(colon + 1);
        if (host.startsWith(QChar('[')) && host.endsWith(QChar(']'))) {
            host = host.mid(1, host.size() - 2);
            if (!host.contains(QChar(':'))) return std::nullopt;
        } else if (host.contains(QChar(':'))) {
            return std::nullopt;  // an IPv6 address needs its brackets
        }
        if (host == QStringLiteral("*")) {
            result.address = QHostAddress(QHostAddress::Any);
        } else if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
            result.address = QHostAddress(QHostAddress::LocalHost);
        } else if (host.isEmpty() || !result.address.setAddress(host)) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const uint port = portText.toUInt(&ok, 10);
    if (!ok || port > 65535 || portText.isEmpty() || !portText.front().isDigit()) {
        return std::nullopt;
    }
    result.port = static_cast<quint16>(port);
    return result;
}

// One connection: its socket, its interpreter and the input not yet run.
class RemoteServer::Client : public QObject {
  public:
    Client(QTcpSocket* socket, remote::Operations& operations, QObject* parent)
        : QObject(parent), socket(socket), interpreter(operations) {
        socket->setParent(this);
        socket->setReadBufferSize(kSocketReadBuffer);
    }

    QTcpSocket* socket;
    remote::Interpreter interpreter;
    QByteArray input;         // bytes read; input[start..] is not yet run
    qsizetype start = 0;      // where the next line begins
    qsizetype scanned = 0;    // input[start..scanned) holds no LF
    bool discarding = false;  // inside a line that was too long
    bool gone = false;        // the peer has closed
    bool turnQueued = false;
    QByteArray answers;  // written once per turn
};

RemoteServer::RemoteServer(remote::Operations& operations, QObject* parent)
    : QObject(parent), operations_(operations), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &RemoteServer::acceptClients);
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMilliseconds);
    connect(&retry_, &QTimer::timeout, this, &RemoteServer::retryWaiting);
}

RemoteServer::~RemoteServer() = default;

bool RemoteServer::listen(const ListenAddress& where) {
    server_->setMaxPendingConnections(remote::kMaxClients + 1);
    return server_->listen(where.address, where.port);
}

QString RemoteServer::errorString() const {
    return server_->errorString();
}

quint16 RemoteServer::port() const {
    return server_->serverPort();
}

QString RemoteServer::boundAddress() const {
    const QHostAddress address = server_->serverAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(server_->serverPort());
}

int RemoteServer::clientCount() const {
    int count = 0;
    for (const Client* client : clients_) {
        if (!client->gone) ++count;
    }
    return count;
}

void RemoteServer::acceptClients() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (clientCount() >= remote::kMaxClients) {
            // Refused: closed at once, nothing read, nothing written.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* client = new Client(socket, operations_, this);
        clients_.push_back(client);
        connect(socket, &QTcpSocket::readyRead, client, [this, client] { serve(*client); });
        connect(socket, &QTcpSocket::bytesWritten, client, [this, client] { serve(*client); });
        connect(socket, &QTcpSocket::disconnected, client, [this, client] {
            client->gone = true;
            serve(*client);
        });
        // Data may have come with the connection.
        if (socket->bytesAvailable() > 0) serve(*client);
    }
}

bool RemoteServer::operatorBusy() const {
    // A closed box's event loop still runs what is due before the operator's
    // handler goes on: the window's prompt says when it has.
    return QApplication::activeModalWidget() != nullptr || operations_.operatorBusy();
}

void RemoteServer::retryWaiting() {
    const std::vector<Client*> clients = clients_;  // serving may drop one
    for (Client* client : clients) serve(*client);
}

void RemoteServer::drop(Client& client) {
    std::erase(clients_, &client);
    client.deleteLater();
}

void RemoteServer::serve(Client& client) {
    if (operatorBusy()) {
        if (!retry_.isActive()) {
            retry_.start();
            emit inputWaiting();
        }
        return;
    }
    QTcpSocket& socket = *client.socket;
    const bool canAnswer = !client.gone && socket.state() == QAbstractSocket::ConnectedState;
    if (canAnswer && socket.bytesToWrite() > kMaxUnreadAnswers) return;  // resumes on bytesWritten

    const auto turnEnds = std::chrono::steady_clock::now() + kTurn;
    bool turnOver = false;
    while (!turnOver) {
        const qsizetype end = client.input.indexOf('\n', client.scanned);
        if (end < 0) {
            client.scanned = client.input.size();
            // A CR at the end may be the first half of the line's CR LF.
            const qsizetype held = client.scanned - client.start;
            const bool endsInCr = held > 0 && client.input.at(client.scanned - 1) == '\r';
            if (held > kMaxLine + (endsInCr ? 1 : 0)) {
                // Too long: report it once, keep nothing of it.
                if (!client.discarding) client.interpreter.inputOverrun();
                client.discarding = true;
                client.input.clear();
                client.start = client.scanned = 0;
            }
            if (socket.bytesAvailable() <= 0) break;
            client.input.remove(0, client.start);
            client.scanned -= client.start;
            client.start = 0;
            client.input.append(socket.read(kReadChunk));
            continue;
        }
        qsizetype length = end - client.start;
        if (length > 0 && client.input.at(end - 1) == '\r') --length;  // CR LF
        if (client.discarding) {
            client.discarding = false;
        } else if (length > kMaxLine) {
            client.interpreter.inputOverrun();
        } else {
            const std::string_view line(client.input.constData() + client.start,
                                        static_cast<std::size_t>(length));
            if (const std::optional<std::string> answer = client.interpreter.executeLine(line)) {
                client.answers.append(answer->data(), static_cast<qsizetype>(answer->size()));
                client.answers.append('\n');
            }
        }
        client.start = client.scanned = end + 1;
        turnOver = std::chrono::steady_clock::now() >= turnEnds;
    }
    if (client.start == client.input.size()) {
        client.input.clear();
        client.start = client.scanned = 0;
    }

    if (!client.answers.isEmpty()) {
        if (canAnswer) socket.write(client.answers);
        client.answers.clear();
    }
    if (turnOver) {
        // More lines wait: continue after the events queued meanwhile.
        if (!client.turnQueued) {
            client.turnQueued = true;
            QMetaObject::invokeMethod(
                &client,
                [this, &client] {
                    client.turnQueued = false;
                    serve(client);
                },
                Qt::QueuedConnection);
        }
    } else if (client.gone) {
        // Everything complete has run; a half line at the end is dropped.
        drop(client);
    }
}

}  // namespace kteval::ui
