#include "vxi11_server.h"

#include <QMetaObject>
#include <QtEndian>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "operator_gate.h"
#include "portmapper.h"

namespace kteval::ui {

namespace {

// How much is read from a connection at once.
constexpr qsizetype kReadChunk = 64 * 1024;
// Replies not yet taken by a client beyond which its calls are not read.
constexpr qint64 kMaxUnreadReplies = 1024 * 1024;
// How often waiting lines look whether the operator's box has closed.
constexpr int kRetryMilliseconds = 20;

QStringList toQStringList(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names) list << QString::fromStdString(name);
    return list;
}

}  // namespace

Vxi11Server::Vxi11Server(remote::Operations& operations, QObject* parent)
    : QObject(parent),
      operations_(operations),
      log_([](const QString& line) { std::fprintf(stderr, "kteval: %s\n", qPrintable(line)); }),
      otherClients_([] { return QStringList(); }),
      core_(operations, network::Vxi11Core::Host{
                            [this](int id, std::string_view record) {
                                const auto found = sockets_.find(id);
                                if (found == sockets_.end()) return;
                                found->second->send(QByteArray(
                                    record.data(), static_cast<qsizetype>(record.size())));
                            },
                            [this] { return operatorBusy(operations_); },
                            [this] {
                                std::vector<std::string> names;
                                for (const QString& name : otherClients_())
                                    names.push_back(name.toStdString());
                                return names;
                            },
                            [this](const std::string& line) { log_(QString::fromStdString(line)); },
                            [] { return std::chrono::steady_clock::now(); }}) {
    deadline_.setSingleShot(true);
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&deadline_, &QTimer::timeout, this, &Vxi11Server::serve);
    retry_.setSingleShot(true);
    retry_.setInterval(kRetryMilliseconds);
    connect(&retry_, &QTimer::timeout, this, &Vxi11Server::serve);
    connect(&acceptor_, &TcpAcceptor::accepted, this, &Vxi11Server::accept);
}

Vxi11Server::~Vxi11Server() = default;

bool Vxi11Server::listen(const QHostAddress& address, quint16 port) {
    const std::optional<KeepAlive> times = keepAliveFromEnvironment(error_);
    if (!times) return false;
    keepAlive_ = *times;
    listenAddress_ = address;
    return acceptor_.listen(address, port);
}

QString Vxi11Server::errorString() const {
    return error_.isEmpty() ? acceptor_.errorString() : error_;
}

QString Vxi11Server::registerWithPortmapper() {
    bool isIpv4 = false;
    const quint32 address = listenAddress_.toIPv4Address(&isIpv4);
    portmapper_ =
        std::make_unique<network::PortmapperEntry>(port(), isIpv4 ? qToBigEndian(address) : 0);
    switch (portmapper_->state()) {
        case network::PortmapperEntry::State::Registered:
            return {};
        case network::PortmapperEntry::State::NoPortmapper:
            return QStringLiteral(
                       "no portmapper (rpcbind) is running; VXI-11 clients cannot find port %1")
                .arg(port());
        case network::PortmapperEntry::State::HeldByAnother:
            return QStringLiteral(
                       "the portmapper's VXI-11 entry is held by another program's core channel "
                       "(port %1); VXI-11 clients that ask the portmapper reach that one, not "
                       "port %2")
                .arg(portmapper_->otherPort())
                .arg(port());
        case network::PortmapperEntry::State::Refused:
            break;
    }
    return QStringLiteral(
               "the portmapper (rpcbind) refused VXI-11's port %1; clients cannot find it")
        .arg(port());
}

QStringList Vxi11Server::clientNames() const {
    return toQStringList(core_.clientNames());
}

void Vxi11Server::setOtherClients(std::function<QStringList()> others) {
    otherClients_ = std::move(others);
}

void Vxi11Server::setLog(std::function<void(const QString&)> log) {
    log_ = std::move(log);
}

void Vxi11Server::accept(int fd, const QString& peer) {
    // A connection holds no place until it creates a link.
    const int id = nextId_++;
    auto* socket = new ClientSocket(fd, peer, keepAlive_, this);
    sockets_[id] = socket;
    core_.open(id, peer.toStdString());
    connect(socket, &ClientSocket::readable, this, [this, id] { readFrom(id); });
    connect(socket, &ClientSocket::drained, this, [this, id] { readFrom(id); });
    readFrom(id);  // data may have come with the connection
}

void Vxi11Server::readFrom(int id) {
    const auto found = sockets_.find(id);
    if (found == sockets_.end()) return;
    ClientSocket& socket = *found->second;
    QByteArray bytes;
    // A client that does not take its replies is not read meanwhile; it
    // goes on once they have drained.
    socket.setReading(socket.unsent() <= kMaxUnreadReplies);
    while (socket.unsent() <= kMaxUnreadReplies) {
        bytes.clear();
        const ClientSocket::Read read = socket.readInto(bytes, kReadChunk);
        if (read == ClientSocket::Read::NothingYet) break;
        if (read != ClientSocket::Read::Data ||
            !core_.receive(
                id, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())))) {
            // The client has gone, or its stream is no RPC: the answers not
            // yet sent are of no use to anyone.
            drop(id);
            break;
        }
    }
    serve();
}

void Vxi11Server::drop(int id) {
    const auto found = sockets_.find(id);
    if (found == sockets_.end()) return;
    core_.close(id);
    found->second->close();
    found->second->deleteLater();
    sockets_.erase(found);
}

void Vxi11Server::serve() {
    if (core_.serve() && !turnQueued_) {
        // More lines wait: continue after the events queued meanwhile.
        turnQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                turnQueued_ = false;
                serve();
            },
            Qt::QueuedConnection);
    }
    if (const std::optional<network::Vxi11Core::Clock::time_point> until = core_.nextDeadline()) {
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(*until - network::Vxi11Core::Clock::now());
        deadline_.start(static_cast<int>(std::clamp<long long>(wait.count(), 0, 1LL << 30)));
    } else {
        deadline_.stop();
    }
    if (core_.linesWaiting() && operatorBusy(operations_) && !retry_.isActive()) retry_.start();
}

}  // namespace kteval::ui
