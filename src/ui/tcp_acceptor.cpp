#include "tcp_acceptor.h"

#include <sys/socket.h>

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>
#include <cerrno>

#include "client_socket.h"

namespace kteval::ui {

namespace {

// How long a connection waits when the process is out of descriptors.
constexpr int kAcceptRetryMilliseconds = 100;

}  // namespace

TcpAcceptor::TcpAcceptor(QObject* parent) : QObject(parent), server_(new QTcpServer(this)) {}

bool TcpAcceptor::listen(const QHostAddress& address, quint16 port) {
    if (!server_->listen(address, port)) return false;
    // Connections are accepted here rather than by QTcpServer, which forgets
    // the peer's address.
    server_->pauseAccepting();
    notifier_ = new QSocketNotifier(server_->socketDescriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TcpAcceptor::acceptWaiting);
    return true;
}

void TcpAcceptor::acceptWaiting() {
    for (;;) {
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int fd = accept4(static_cast<int>(server_->socketDescriptor()),
                               reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
        if (fd >= 0) {
            emit accepted(fd, peerName(peer));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return;
        } else if (errno != EINTR && errno != ECONNABORTED) {
            // Out of descriptors or memory: the connection waits in the
            // kernel, and is tried again shortly rather than at once.
            notifier_->setEnabled(false);
            QTimer::singleShot(kAcceptRetryMilliseconds, notifier_,
                               [this] { notifier_->setEnabled(true); });
            return;
        }
    }
}

QString TcpAcceptor::errorString() const {
    return server_->errorString();
}

quint16 TcpAcceptor::port() const {
    return server_->serverPort();
}

QHostAddress TcpAcceptor::address() const {
    return server_->serverAddress();
}

QString TcpAcceptor::boundAddress() const {
    return boundAddressText(server_->serverAddress(), server_->serverPort());
}

QString boundAddressText(const QHostAddress& address, quint16 port) {
    QString host = address.toString();
    if (address.protocol() == QAbstractSocket::AnyIPProtocol) {
        host = QStringLiteral("*");  // every IPv4 and IPv6 address
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        host = QStringLiteral("[%1]").arg(host);
    }
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

}  // namespace kteval::ui
