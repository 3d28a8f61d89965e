#include "client_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostAddress>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kteval::ui {

namespace {

void setOption(int fd, int level, int name, int value) {
    // Best effort: a socket that refuses one still works, only slower or
    // without its end being noticed.
    setsockopt(fd, level, name, &value, sizeof value);
}

}  // namespace

std::optional<KeepAlive> parseKeepAlive(const QString& text) {
    const QStringList fields = text.split(QChar(','));
    if (fields.size() != 3) return std::nullopt;
    int values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = fields[i].trimmed().toInt(&ok, 10);
        // The kernel takes idle and interval times up to 32767 s, 127 probes.
        if (!ok || values[i] < 1 || values[i] > (i == 2 ? 127 : 32767)) return std::nullopt;
    }
    return KeepAlive{values[0], values[1], values[2]};
}

std::optional<KeepAlive> keepAliveFromEnvironment(QString& error) {
    const QString text = qEnvironmentVariable("KTEVAL_KEEPALIVE");
    if (text.isEmpty()) return KeepAlive{};
    const std::optional<KeepAlive> times = parseKeepAlive(text);
    if (!times) {
        error = QStringLiteral(
                    "KTEVAL_KEEPALIVE wants IDLE,INTERVAL,COUNT (1-32767,1-32767,1-127), "
                    "not '%1'")
                    .arg(text);
    }
    return times;
}

QString peerName(const sockaddr_storage& storage) {
    QHostAddress address(reinterpret_cast<const sockaddr*>(&storage));
    // An IPv4 client of a server on every address comes as ::ffff:a.b.c.d.
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4) address.setAddress(ipv4);
    const quint16 port = storage.ss_family == AF_INET6
                             ? ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port)
                             : ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

ClientSocket::ClientSocket(int fd, QString peer, const KeepAlive& keepAlive, QObject* parent)
    : QObject(parent),
      fd_(fd),
      peer_(std::move(peer)),
      reader_(fd, QSocketNotifier::Read),
      writer_(fd, QSocketNotifier::Write) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    setOption(fd_, IPPROTO_TCP, TCP_NODELAY, 1);
    setOption(fd_, SOL_SOCKET, SO_KEEPALIVE, 1);
    setOption(fd_, IPPROTO_TCP, TCP_KEEPIDLE, keepAlive.idleSeconds);
    setOption(fd_, IPPROTO_TCP, TCP_KEEPINTVL, keepAlive.intervalSeconds);
    setOption(fd_, IPPROTO_TCP, TCP_KEEPCNT, keepAlive.probes);
    // Answers the client never acknowledges give up as late as the probes do.
    setOption(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT,
              1000 * (keepAlive.idleSeconds + keepAlive.intervalSeconds * keepAlive.probes));
    writer_.setEnabled(false);
    connect(&reader_, &QSocketNotifier::activated, this, &ClientSocket::readable);
    connect(&writer_, &QSocketNotifier::activated, this, [this] {
        writeUnsent();
        emit drained();
    });
}

ClientSocket::~ClientSocket() {
    close();
}

ClientSocket::Read ClientSocket::readInto(QByteArray& buffer, qsizetype maxBytes) {
    if (fd_ < 0) return Read::Failed;
    const qsizetype before = buffer.size();
    buffer.resize(before + maxBytes);
    const ssize_t n = recv(fd_, buffer.data() + before, static_cast<std::size_t>(maxBytes), 0);
    const int error = errno;
    buffer.resize(before + (n > 0 ? n : 0));
    if (n > 0) {
        // The kernel leaves quick acknowledgement after a while: ask again.
        setOption(fd_, IPPROTO_TCP, TCP_QUICKACK, 1);
        return Read::Data;
    }
    if (n == 0) return Read::Ended;
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return Read::NothingYet;
    fail(error);
    return Read::Failed;
}

void ClientSocket::send(const QByteArray& bytes) {
    if (fd_ < 0 || !failure_.isEmpty()) return;
    unsent_.append(bytes);
    writeUnsent();
}

void ClientSocket::writeUnsent() {
    while (!unsent_.isEmpty() && failure_.isEmpty()) {
        const ssize_t n = ::send(fd_, unsent_.constData(), static_cast<std::size_t>(unsent_.size()),
                                 MSG_NOSIGNAL);
        if (n > 0) {
            unsent_.remove(0, n);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            break;
        } else if (errno != EINTR) {
            fail(errno);
        }
    }
    writer_.setEnabled(!unsent_.isEmpty() && failure_.isEmpty());
}

bool ClientSocket::peerHasClosed() const {
    if (fd_ < 0 || !failure_.isEmpty()) return true;
    pollfd state{fd_, POLLRDHUP, 0};
    return poll(&state, 1, 0) > 0 && (state.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

void ClientSocket::fail(int error) {
    failure_ = QString::fromLocal8Bit(std::strerror(error));
    unsent_.clear();
}

void ClientSocket::close() {
    if (fd_ < 0) return;
    reader_.setEnabled(false);
    writer_.setEnabled(false);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace kteval::ui
