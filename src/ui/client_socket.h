#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <optional>

struct sockaddr_storage;

namespace kteval::ui {

// When the operating system gives up on a client that no longer answers: after
// idleSeconds without traffic, probes every intervalSeconds, closed after
// probes unanswered ones (about two minutes by default).
struct KeepAlive {
    int idleSeconds = 60;
    int intervalSeconds = 10;
    int probes = 6;
};

// Reads "IDLE,INTERVAL,COUNT" (KTEVAL_KEEPALIVE): whole numbers from 1 up;
// nullopt for anything else.
std::optional<KeepAlive> parseKeepAlive(const QString& text);
// KTEVAL_KEEPALIVE read, the default when it is unset or empty; nullopt, and
// why in error, when it is unreadable.
std::optional<KeepAlive> keepAliveFromEnvironment(QString& error);

// "ADDR:PORT" of a socket address ("[::1]:40000" for IPv6), as accept() or
// getpeername() answer it.
QString peerName(const sockaddr_storage& address);

// A client's TCP connection, driven on its file descriptor rather than through
// QTcpSocket: QTcpSocket closes the connection as soon as the client has shut
// down its sending side, and answers not yet handed to the kernel are lost,
// while such a client still waits for them.
//
// Nagle's algorithm is off for the answers, and every read acknowledges at
// once: a client that leaves Nagle's algorithm on (most do) would otherwise
// wait for a delayed acknowledgement before its next line leaves.
class ClientSocket : public QObject {
    Q_OBJECT
  public:
    // Takes over fd, a connected TCP socket to peer ("ADDR:PORT").
    ClientSocket(int fd, QString peer, const KeepAlive& keepAlive, QObject* parent = nullptr);
    ~ClientSocket() override;

    enum class Read { Data, NothingYet, Ended, Failed };
    // Appends what has arrived, at most maxBytes, to buffer.
    Read readInto(QByteArray& buffer, qsizetype maxBytes);
    // Hands bytes to the kernel; what it cannot take yet follows when it can.
    void send(const QByteArray& bytes);
    qsizetype unsent() const { return unsent_.size(); }
    // Whether readable() is emitted when input arrives.
    void setReading(bool on) { reader_.setEnabled(on && fd_ >= 0); }
    // The client has shut down its sending side or is gone, whether or not
    // the rest of its input has been read yet.
    bool peerHasClosed() const;
    // A read or write failed (reset, keepalive timed out): why, else empty.
    const QString& failure() const { return failure_; }
    const QString& peer() const { return peer_; }
    // Closes the connection; what was handed to the kernel is still delivered.
    void close();

  signals:
    void readable();
    // Some unsent bytes went out (or the connection failed).
    void drained();

  private:
    void writeUnsent();
    void fail(int error);

    int fd_;
    QString peer_;
    QByteArray unsent_;
    QString failure_;
    QSocketNotifier reader_;
    QSocketNotifier writer_;
};

}  // namespace kteval::ui
