#include "web_server.h"

#include <QHostInfo>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QNetworkInterface>
#include <QTcpServer>

#include "lxi_identification.h"
#include "operations.h"
#include "status_page.h"
#include "status_report.h"
#include "tcp_acceptor.h"

namespace kteval::ui {

namespace {

QHttpServerResponse answer(const QByteArray& mimeType, const std::string& body) {
    QHttpServerResponse response(mimeType, QByteArray::fromStdString(body));
    // Every answer is the state at the time of the request.
    response.setHeader("Cache-Control", "no-store");
    return response;
}

}  // namespace

network::InterfaceDetails interfaceDetailsFor(const QHostAddress& address) {
    network::InterfaceDetails details;
    details.hostname = QHostInfo::localHostName().toStdString();
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (bool fallback : {false, true}) {
        for (const QNetworkInterface& interface : interfaces) {
            const auto flags = interface.flags();
            if (fallback &&
                (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack))) {
                continue;
            }
            for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
                const QHostAddress ip = entry.ip();
                if (fallback ? ip.protocol() != QAbstractSocket::IPv4Protocol
                             : !ip.isEqual(address, QHostAddress::TolerantConversion)) {
                    continue;
                }
                details.name = interface.name().toStdString();
                details.ipAddress = ip.toString().toStdString();
                if (ip.protocol() == QAbstractSocket::IPv4Protocol) {
                    details.subnetMask = entry.netmask().toString().toStdString();
                }
                details.macAddress = interface.hardwareAddress().toStdString();
                return details;
            }
        }
    }
    return details;
}

WebServer::WebServer(remote::Operations& operations, QObject* parent)
    : QObject(parent), operations_(operations), socket_(new QTcpServer(this)) {
    http_.route("/", QHttpServerRequest::Method::Get, [this](const QHttpServerRequest& request) {
        return answer("text/html; charset=utf-8", network::statusPageHtml(identityFor(request)));
    });
    http_.route("/status.json", QHttpServerRequest::Method::Get,
                [this](const QHttpServerRequest& request) {
                    std::vector<network::ClientEntry> clients;
                    for (const ClientSource& source : clientSources_) {
                        for (network::ClientEntry& entry : source()) {
                            clients.push_back(std::move(entry));
                        }
                    }
                    return answer("application/json",
                                  network::statusJson(network::statusReport(
                                      operations_, identityFor(request), std::move(clients))));
                });
    http_.route("/lxi/identification", QHttpServerRequest::Method::Get,
                [this](const QHttpServerRequest& request) {
                    const network::NetworkIdentity identity = identityFor(request);
                    QHostAddress reached(QString::fromStdString(identity.host));
                    if (reached.isNull()) reached = address();
                    return answer(
                        "text/xml; charset=utf-8",
                        network::identificationXml(identity, interfaceDetailsFor(reached)));
                });
}

WebServer::~WebServer() = default;

void WebServer::addClientSource(ClientSource source) {
    clientSources_.push_back(std::move(source));
}

void WebServer::setControlPorts(std::optional<uint16_t> rawPort,
                                std::optional<uint16_t> vxi11Port) {
    ports_.rawPort = rawPort;
    ports_.vxi11Port = vxi11Port;
}

bool WebServer::listen(const ListenAddress& where) {
    if (!socket_->listen(where.address, where.port)) return false;
    http_.bind(socket_);
    ports_.webPort = socket_->serverPort();
    return true;
}

QString WebServer::errorString() const {
    return socket_->errorString();
}

QHostAddress WebServer::address() const {
    return socket_->serverAddress();
}

quint16 WebServer::port() const {
    return socket_->serverPort();
}

QString WebServer::boundAddress() const {
    return boundAddressText(socket_->serverAddress(), socket_->serverPort());
}

network::NetworkIdentity WebServer::identityFor(const QHttpServerRequest& request) const {
    // The host the client used: the resource strings it copies then work
    // from where it is.
    QString host = request.url().host();
    if (host.isEmpty()) {
        const QHostAddress bound = address();
        const bool every = bound == QHostAddress::Any || bound == QHostAddress::AnyIPv6 ||
                           bound == QHostAddress::AnyIPv4;
        host = every ? QHostInfo::localHostName() : bound.toString();
    }
    return network::identityOf(operations_, host.toStdString(), ports_);
}

}  // namespace kteval::ui
