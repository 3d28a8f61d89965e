#include "remote_server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <utility>

#include "interpreter.h"
#include "operator_gate.h"

namespace kteval::ui {

namespace {

constexpr qsizetype kMaxLine = static_cast<qsizetype>(remote::kMaxLineLength);
// How long one client's lines may run before the event loop gets its say
// (repaints, the operator, other clients): about one frame.
constexpr std::chrono::milliseconds kTurn{15};
// How much is read from a socket at once; the rest waits in the kernel, and a
// client that sends more waits for TCP's flow control.
constexpr qsizetype kReadChunk = 64 * 1024;
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
    Client(int fd, QString peer, const KeepAlive& keepAlive, remote::Operations& operations,
           QObject* parent)
        : QObject(parent), socket(fd, std::move(peer), keepAlive, this), interpreter(operations) {
        interpreter.allowWaiting();
    }

    // Counts towards the limit: neither closed nor failed.
    bool holdsPlace() const { return !inputEnded && !socket.peerHasClosed(); }

    ClientSocket socket;
    remote::Interpreter interpreter;
    QByteArray input;         // bytes read; input[start..] is not yet run
    qsizetype start = 0;      // where the next line begins
    qsizetype scanned = 0;    // input[start..scanned) holds no LF
    bool discarding = false;  // inside a line that was too long
    bool inputEnded = false;  // the client has shut down its sending side
    bool turnQueued = false;
    QByteArray answers;  // sent once per turn
};

RemoteServer::RemoteServer(remote::Operations& operations, QObject* parent)
    : QObject(parent),
      operations_(operations),
      log_([](const QString& line) { std::fprintf(stderr, "kteval: %s\n", qPrintable(line)); }),
      otherClients_([] { return QStringList(); }) {
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMilliseconds);
    connect(&retry_, &QTimer::timeout, this, &RemoteServer::retryWaiting);
    connect(&acceptor_, &TcpAcceptor::accepted, this, &RemoteServer::accept);
}

RemoteServer::~RemoteServer() = default;

bool RemoteServer::listen(const ListenAddress& where) {
    const std::optional<KeepAlive> times = keepAliveFromEnvironment(error_);
    if (!times) return false;
    keepAlive_ = *times;
    return acceptor_.listen(where.address, where.port);
}

QString RemoteServer::errorString() const {
    return error_.isEmpty() ? acceptor_.errorString() : error_;
}

quint16 RemoteServer::port() const {
    return acceptor_.port();
}

QHostAddress RemoteServer::address() const {
    return acceptor_.address();
}

QString RemoteServer::boundAddress() const {
    return acceptor_.boundAddress();
}

int RemoteServer::clientCount() const {
    return static_cast<int>(std::count_if(clients_.begin(), clients_.end(),
                                          [](const Client* c) { return c->holdsPlace(); }));
}

QStringList RemoteServer::clientNames() const {
    QStringList names;
    for (const Client* client : clients_) {
        if (client->holdsPlace()) names << client->socket.peer();
    }
    return names;
}

void RemoteServer::setOtherClients(std::function<QStringList()> others) {
    otherClients_ = std::move(others);
}

void RemoteServer::setLog(std::function<void(const QString&)> log) {
    log_ = std::move(log);
}

void RemoteServer::accept(int fd, const QString& peer) {
    // Clients that have closed no longer count, even when their end has not
    // been read yet.
    const QStringList holders = clientNames() + otherClients_();
    if (holders.size() >= remote::kMaxClients) {
        // Refused: told why, then closed; nothing it sent is run. Its input
        // is read first, or the kernel would answer with a reset that may
        // overtake the line.
        log_(QStringLiteral("refused %1: %2 clients connected (%3)")
                 .arg(peer)
                 .arg(holders.size())
                 .arg(holders.join(QStringLiteral(", "))));
        const QByteArray why = QStringLiteral("kteval: too many clients (%1); connection refused\n")
                                   .arg(remote::kMaxClients)
                                   .toUtf8();
        ::send(fd, why.constData(), static_cast<std::size_t>(why.size()),
               MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(fd, SHUT_WR);
        char scratch[4096];
        while (::recv(fd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
        }
        ::close(fd);
        return;
    }
    auto* client = new Client(fd, peer, keepAlive_, operations_, this);
    clients_.push_back(client);
    log_(QStringLiteral("client %1 connected (%2 of %3)")
             .arg(client->socket.peer())
             .arg(holders.size() + 1)
             .arg(remote::kMaxClients));
    connect(&client->socket, &ClientSocket::readable, client, [this, client] { serve(*client); });
    connect(&client->socket, &ClientSocket::drained, client, [this, client] { serve(*client); });
    serve(*client);  // data may have come with the connection
}

void RemoteServer::resumeWaiting() {
    retryWaiting();
}

void RemoteServer::retryWaiting() {
    const std::vector<Client*> clients = clients_;  // serving may drop one
    for (Client* client : clients) serve(*client);
}

void RemoteServer::drop(Client& client) {
    const QString& failure = client.socket.failure();
    log_(QStringLiteral("client %1 disconnected%2")
             .arg(client.socket.peer(),
                  failure.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(failure)));
    client.socket.close();
    std::erase(clients_, &client);
    client.deleteLater();
}

void RemoteServer::serve(Client& client) {
    // A turn queued before the client was dropped finds it gone.
    if (std::find(clients_.begin(), clients_.end(), &client) == clients_.end()) return;
    ClientSocket& socket = client.socket;
    if (operatorBusy(operations_)) {
        socket.setReading(false);  // the kernel holds the input meanwhile
        if (!retry_.isActive()) {
            retry_.start();
            emit inputWaiting();
        }
        return;
    }
    if (socket.unsent() > kMaxUnreadAnswers) {
        socket.setReading(false);  // resumes once the client has read
        return;
    }
    if (client.interpreter.waiting()) {
        // A line held in *OPC?, *OPC or *WAI goes on once nothing runs; the
        // lines after it wait with the kernel meanwhile.
        const std::optional<std::string> answer = client.interpreter.resume();
        if (client.interpreter.waiting()) {
            socket.setReading(false);
            return;
        }
        if (answer) {
            client.answers.append(answer->data(), static_cast<qsizetype>(answer->size()));
            client.answers.append('\n');
        }
    }

    const auto turnEnds = std::chrono::steady_clock::now() + kTurn;
    bool turnOver = false;
    bool waitForInput = false;
    while (!turnOver && !waitForInput) {
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
            if (client.inputEnded) break;
            client.input.remove(0, client.start);
            client.scanned -= client.start;
            client.start = 0;
            switch (socket.readInto(client.input, kReadChunk)) {
                case ClientSocket::Read::Data:
                    continue;
                case ClientSocket::Read::Ended:
                case ClientSocket::Read::Failed:
                    client.inputEnded = true;
                    continue;
                case ClientSocket::Read::NothingYet:
                    waitForInput = true;
                    continue;
            }
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
        if (client.interpreter.waiting()) break;
    }
    if (client.start == client.input.size()) {
        client.input.clear();
        client.start = client.scanned = 0;
    }

    if (!client.answers.isEmpty()) {
        socket.send(client.answers);
        client.answers.clear();
    }
    if (turnOver) {
        // More lines wait: continue after the events queued meanwhile.
        socket.setReading(false);
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
    } else if (client.interpreter.waiting() && socket.failure().isEmpty()) {
        socket.setReading(false);  // resumeWaiting() goes on
    } else if (!socket.failure().isEmpty() || (client.inputEnded && socket.unsent() == 0)) {
        // Everything complete has run and its answers are with the kernel,
        // which still delivers them; a half line at the end is dropped.
        drop(client);
    } else {
        socket.setReading(!client.inputEnded && socket.unsent() <= kMaxUnreadAnswers);
    }
}

}  // namespace kteval::ui
