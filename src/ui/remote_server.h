#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "client_socket.h"
#include "tcp_acceptor.h"

namespace kteval::remote {
class Operations;
}

namespace kteval::ui {

// Where the server listens.
struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;  // 0: any free port
};

// Reads "[ADDR:]PORT": ADDR an IPv4 address, an IPv6 address in brackets,
// "localhost" or "*" (every IPv4 and IPv6 address); 127.0.0.1 when left out. nullopt when
// the text is none of these or the port is not 0-65535.
std::optional<ListenAddress> parseListenAddress(const QString& text);

// The command server: a TCP socket that takes one command line at a time
// (LF, or CR LF) from each of up to kMaxClients clients, each with its own
// interpreter and error queue, and writes each answer as one line.
//
// A client that shuts down its sending side still gets the answers to all its
// complete lines before the connection closes. A client that has closed is no
// longer counted, even before its last lines have run. Every connection has
// TCP keepalive (KTEVAL_KEEPALIVE=IDLE,INTERVAL,COUNT, default 60,10,6), so a
// client that vanished frees its place. Connections, disconnections and
// refusals are logged with the peer's address, taken when the connection is
// accepted (a client that reset at once has no other). A refused client gets
// one line saying why before the connection closes.
//
// Every line runs on the window's event thread, one at a time, between the
// operator's own events. While the operator has a modal box open (its nested
// event loop), input is left waiting and taken up, in order, once the box has
// closed and the operator's handler has gone on. A line longer than remote::kMaxLineLength is discarded up to its end
// and reported to its interpreter as an input overrun. A client that sends
// faster than its answers are read is paused until they drain.
class RemoteServer : public QObject {
    Q_OBJECT
  public:
    explicit RemoteServer(remote::Operations& operations, QObject* parent = nullptr);
    ~RemoteServer() override;

    // Fails also when KTEVAL_KEEPALIVE is set to something unreadable.
    bool listen(const ListenAddress& where);
    QString errorString() const;
    // The address and port actually bound ("127.0.0.1:5025", "*:5025").
    QString boundAddress() const;
    quint16 port() const;
    QHostAddress address() const;
    // Clients that have not closed.
    int clientCount() const;
    // Their peers ("ADDR:PORT"), as the log names them.
    QStringList clientNames() const;
    // The clients that hold places elsewhere (VXI-11's links): they count
    // towards the same limit.
    void setOtherClients(std::function<QStringList()> others);
    // Where the log lines go (without "kteval: " and line end); standard
    // error unless set.
    void setLog(std::function<void(const QString&)> log);
    // Every ramp and list has ended: lines held in *OPC?, *OPC or *WAI go on.
    void resumeWaiting();

  signals:
    // Input arrived while the operator had a modal box open; it waits.
    void inputWaiting();

  private:
    class Client;
    void accept(int fd, const QString& peer);
    void serve(Client& client);
    void retryWaiting();
    void drop(Client& client);

    remote::Operations& operations_;
    TcpAcceptor acceptor_;
    KeepAlive keepAlive_;
    QString error_;  // why listen() refused, when not the socket's error
    std::function<void(const QString&)> log_;
    std::function<QStringList()> otherClients_;
    std::vector<Client*> clients_;  // owned as Qt children
    QTimer retry_;                  // looks again whether the operator's box has closed
};

}  // namespace kteval::ui
