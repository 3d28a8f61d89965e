#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "client_socket.h"
#include "tcp_acceptor.h"
#include "vxi11_core.h"

namespace kteval::network {
class PortmapperEntry;
}

namespace kteval::ui {

// The VXI-11 core channel beside the command socket: accepts TCP connections
// on a port the system chooses and feeds their bytes to network::Vxi11Core,
// which runs each link's lines on the window's event thread between the
// operator's events, as the socket's lines run. A read that waits for its
// answer, or a call that waits for the lock, holds nothing: a timer goes on
// with it when its timeout ends.
//
// Links count towards the clients' limit with the socket's clients and are
// logged with their peer. Every connection has the socket's TCP keepalive
// (KTEVAL_KEEPALIVE); a closed connection destroys its links.
class Vxi11Server : public QObject {
    Q_OBJECT
  public:
    explicit Vxi11Server(remote::Operations& operations, QObject* parent = nullptr);
    ~Vxi11Server() override;

    // Fails also when KTEVAL_KEEPALIVE is set to something unreadable.
    bool listen(const QHostAddress& address, quint16 port = 0);
    QString errorString() const;
    QString boundAddress() const { return acceptor_.boundAddress(); }
    quint16 port() const { return acceptor_.port(); }
    // Registers the port with the system's portmapper, for as long as the
    // server lives. Empty when done, else the line that says why not.
    QString registerWithPortmapper();

    // The links, as the log names them.
    QStringList clientNames() const;
    // The clients that hold places elsewhere (the socket's).
    void setOtherClients(std::function<QStringList()> others);
    // Where the log lines go (without "kteval: " and line end); standard
    // error unless set.
    void setLog(std::function<void(const QString&)> log);
    // Every ramp and list has ended: lines held in *OPC?, *OPC or *WAI go on.
    void resumeWaiting() { serve(); }

  private:
    void accept(int fd, const QString& peer);
    void readFrom(int id);
    void drop(int id);
    // Runs the core, then arms what brings it back: the next timeout, a look
    // whether the operator's box has closed, or the rest of a long turn.
    void serve();

    remote::Operations& operations_;
    TcpAcceptor acceptor_;
    KeepAlive keepAlive_;
    QHostAddress listenAddress_;
    QString error_;
    std::function<void(const QString&)> log_;
    std::function<QStringList()> otherClients_;
    network::Vxi11Core core_;
    std::map<int, ClientSocket*> sockets_;  // owned as Qt children
    int nextId_ = 1;
    QTimer deadline_;  // the earliest waiting call times out
    QTimer retry_;     // looks again whether the operator's box has closed
    bool turnQueued_ = false;
    std::unique_ptr<network::PortmapperEntry> portmapper_;
};

}  // namespace kteval::ui
