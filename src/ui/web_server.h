#pragma once

#include <QHostAddress>
#include <QHttpServer>
#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "lxi_identification.h"
#include "remote_server.h"

class QHttpServerRequest;
class QTcpServer;

namespace kteval::remote {
class Operations;
}

namespace kteval::ui {

// The web port (--web): GET /lxi/identification (the LXI identification
// document), / (the read-only status page) and /status.json (what the page
// shows), each composed by network from the window's state at the time of the
// request. Nothing here changes the board. Runs on the window's event thread.
class WebServer : public QObject {
    Q_OBJECT
  public:
    // The clients of one server, asked at each request.
    using ClientSource = std::function<std::vector<network::ClientEntry>()>;

    explicit WebServer(remote::Operations& operations, QObject* parent = nullptr);
    ~WebServer() override;

    // Clients the page lists; every source is asked, in the order added.
    void addClientSource(ClientSource source);
    // The control servers' ports for the resource strings (the web port is
    // this server's own).
    void setControlPorts(std::optional<uint16_t> rawPort, std::optional<uint16_t> vxi11Port);

    bool listen(const ListenAddress& where);
    QString errorString() const;
    // "127.0.0.1:8080", "*:8080", as RemoteServer::boundAddress.
    QString boundAddress() const;
    QHostAddress address() const;
    quint16 port() const;

  private:
    network::NetworkIdentity identityFor(const QHttpServerRequest& request) const;

    remote::Operations& operations_;
    QHttpServer http_;
    QTcpServer* socket_;  // owned by http_ once bound
    network::NetworkPorts ports_;
    std::vector<ClientSource> clientSources_;
};

// The interface details of the address a client reached (or of the first
// interface that is up when that address is not one of this machine's).
network::InterfaceDetails interfaceDetailsFor(const QHostAddress& address);

}  // namespace kteval::ui
