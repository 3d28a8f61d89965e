#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>

class QSocketNotifier;
class QTcpServer;

namespace kteval::ui {

// "127.0.0.1:5025", "[::1]:5025", "*:5025" (every IPv4 and IPv6 address).
QString boundAddressText(const QHostAddress& address, quint16 port);

// A listening TCP socket that hands over each connection's descriptor with
// the peer's address, taken when it is accepted (a client that has reset by
// then has no other; QTcpServer forgets it).
class TcpAcceptor : public QObject {
    Q_OBJECT
  public:
    explicit TcpAcceptor(QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    QString errorString() const;
    // The address and port actually bound ("127.0.0.1:5025", "*:5025").
    QString boundAddress() const;
    QHostAddress address() const;
    quint16 port() const;

  signals:
    // fd is a connected socket (close-on-exec) now owned by the receiver;
    // peer is "ADDR:PORT".
    void accepted(int fd, const QString& peer);

  private:
    void acceptWaiting();

    QTcpServer* server_;
    QSocketNotifier* notifier_ = nullptr;  // connections wait to be accepted
};

}  // namespace kteval::ui
