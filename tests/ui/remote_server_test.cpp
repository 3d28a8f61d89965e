// The command server over real loopback sockets, in front of the real main
// window and the simulated board: answers, clients, limits, bad input and
// commands waiting for the operator's modal box.
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>
#include <atomic>
#include <memory>
#include <thread>

#include "command_words.h"
#include "remote_harness.h"
#include "remote_server.h"
#include "request_codes.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

constexpr int kWait = 10000;  // ms; only reached when something is broken

// A window with its server on a free loopback port.
class ServerBench {
  public:
    explicit ServerBench(int partIndex) : remote(partIndex) {
        if (!server.listen({QHostAddress(QHostAddress::LocalHost), 0})) qFatal("cannot listen");
        remote.bench.usb.clear();
    }
    // A connected client; nullptr when the connection failed.
    std::unique_ptr<QTcpSocket> connect() {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
        if (!QTest::qWaitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; },
                             kWait)) {
            return nullptr;
        }
        return socket;
    }

    RemoteBench remote;
    RemoteServer server{remote.operations};
};

// The next answer line of socket, without its LF; "<none>" after the wait.
QString answer(QTcpSocket& socket) {
    if (!QTest::qWaitFor([&] { return socket.canReadLine(); }, kWait)) return "<none>";
    return QString::fromUtf8(socket.readLine()).chopped(1);
}

QString ask(QTcpSocket& socket, const QByteArray& lines) {
    socket.write(lines);
    return answer(socket);
}

// A blocking plain-socket client of the server at port, without TCP_NODELAY:
// -1 when it cannot connect.
int plainClient(quint16 port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
}

// Sends lines, shuts down the sending side and reads until the server
// closes: what it answered, or "<reset>" when it reset the connection.
std::string sendAndHalfClose(int fd, const std::string& lines) {
    if (write(fd, lines.data(), lines.size()) != ssize_t(lines.size())) return "<reset>";
    shutdown(fd, SHUT_WR);
    std::string answers;
    char chunk[256];
    for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) != 0;) {
        if (n < 0) return "<reset>";
        answers.append(chunk, std::size_t(n));
    }
    return answers;
}

// The part dialog at start-up: whileOpen runs while it is open and is given
// the setup to run for the operator's choice.
class DialogStandIn : public PartChooser {
  public:
    std::function<void(const std::function<void(int)>&)> whileOpen;
    void choosePart(const std::function<void(int)>& runSetup) override { whileOpen(runSetup); }
};

}  // namespace

class RemoteServerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    // The address and port read, "refused" when the text is not "[ADDR:]PORT".
    void listenAddressReadOrRefused() {
        const std::pair<QString, QString> rows[] = {
            {"5025", "127.0.0.1 5025"},
            {"*:5025", "0.0.0.0 5025"},
            {"localhost:1", "127.0.0.1 1"},
            {"[::1]:5025", "::1 5025"},
            {"::1:5025", "refused"},
            {"65536", "refused"},
            {"+5", "refused"},
            {"example.org:5025", "refused"},
        };
        for (const auto& [text, read] : rows) {
            const std::optional<ListenAddress> parsed = parseListenAddress(text);
            QCOMPARE(parsed ? parsed->address.toString() + ' ' + QString::number(parsed->port)
                            : QStringLiteral("refused"),
                     read);
        }
    }

    // Each client has its own error queue; CR LF and LF both end a line.
    // Pipelined writes run in the order sent, over many turns, all before the
    // answer to the query that follows them, joined on one line.
    void ownErrorQueuesAndPipelinedLinesInOrder() {
        ServerBench bench(4);
        auto first = bench.connect();
        auto second = bench.connect();
        QVERIFY(first && second);
        first->write("DAC0:X1A 99999\r\n");
        QCOMPARE(ask(*second, "*IDN?;SYST:ERR?\r\n"),
                 "kteval,KT4420,SIMULATED,1.05;0,\"No error\"");
        QCOMPARE(ask(*first, "SYST:ERR?\n"), "-222,\"Data out of range;DAC0:X1A above 65535\"");
        QByteArray lines;
        std::vector<int32_t> expected;
        for (int i = 0; i < 3000; ++i) {
            const int channel = (i * 7) % 40;
            lines += QByteArray("DAC") + QByteArray::number(channel) + ":X1A " +
                     QByteArray::number(i) + "\n";
            expected.push_back(word::channelWord(word::kModeX, 16, int16_t(channel), i));
        }
        QCOMPARE(ask(*first, lines + "DAC33:X1A?;:CHAN?\n"), "2999;33");
        QVERIFY(bench.remote.bench.usb.words() == expected);
        QCOMPARE(bench.remote.bench.label("lblXA")->text(), "0BB7");
    }

    // The ninth client is refused and the log names it and the eight that
    // hold the places; a client that has closed frees its place at once,
    // before its end has been handled.
    void ninthClientRefusedAndLoggedClosedOneFreesItsPlace() {
        ServerBench bench(0);
        QStringList log;
        bench.server.setLog([&](const QString& line) { log << line; });
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(bench.connect());
            QVERIFY(clients.back());
            QCOMPARE(ask(*clients.back(), "*OPC?\n"), "1");
        }
        const auto name = [](const QTcpSocket& socket) {
            return QStringLiteral("127.0.0.1:%1").arg(socket.localPort());
        };
        QCOMPARE(log.size(), 8);
        QCOMPARE(log.back(), "client " + name(*clients.back()) + " connected (8 of 8)");
        auto ninth = bench.connect();
        if (ninth) {
            const QString ninthName = name(*ninth);
            ninth->write("WORD 1\n");
            QVERIFY(QTest::qWaitFor(
                [&] { return ninth->state() == QAbstractSocket::UnconnectedState; }, kWait));
            QVERIFY(log.back().startsWith("refused " + ninthName + ": 8 clients connected ("));
            QVERIFY(log.back().contains(name(*clients.front())));
        }
        QCOMPARE(bench.server.clientCount(), 8);
        const QString firstName = name(*clients.front());
        clients.front()->disconnectFromHost();
        auto next = bench.connect();
        QVERIFY(next);
        QCOMPARE(ask(*next, "*OPC?\n"), "1");
        QVERIFY(log.contains("client " + firstName + " disconnected"));
        QVERIFY(bench.remote.bench.usb.requests.empty());
    }

    // Eight clients that each open a connection per measurement, closing and
    // reconnecting at once: none is refused, every write reaches the board in
    // order and every answer comes back.
    void soakReconnectingClientsNeverRefusedNorLoseAnswers() {
        ServerBench bench(5);
        int connections = 0;
        bench.server.setLog([&](const QString& line) { connections += line.endsWith("of 8)"); });
        std::atomic<int> running = 8;
        std::atomic<int> lost = 0;
        std::vector<int> sent(8, 0);
        std::vector<std::thread> clients;
        const auto ends = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (int channel = 0; channel < 8; ++channel) {
            clients.emplace_back([&, channel, port = bench.server.port()] {
                const std::string dac = "DAC" + std::to_string(channel) + ":X1A";
                for (int& code = sent[std::size_t(channel)];
                     std::chrono::steady_clock::now() < ends; ++code) {
                    const int fd = plainClient(port);
                    const std::string value = std::to_string(code % 16384);
                    if (fd < 0 || sendAndHalfClose(fd, dac + " " + value + "\n" + dac + "?\n") !=
                                      value + "\n") {
                        ++lost;
                    }
                    const linger reset{1, 0};  // no TIME_WAIT: thousands of ports
                    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                    close(fd);
                }
                --running;
            });
        }
        QVERIFY(QTest::qWaitFor([&] { return running == 0; }, 40000));
        for (std::thread& client : clients) client.join();
        QCOMPARE(lost.load(), 0);
        const std::vector<int32_t> words = bench.remote.bench.usb.words();
        int total = 0;
        for (int channel = 0; channel < 8; ++channel) {
            const int32_t address = word::channelWord(word::kModeX, 14, int16_t(channel), 0);
            std::vector<int32_t> expected, written;
            for (int code = 0; code < sent[std::size_t(channel)]; ++code) {
                expected.push_back(
                    word::channelWord(word::kModeX, 14, int16_t(channel), code % 16384));
            }
            std::copy_if(words.begin(), words.end(), std::back_inserter(written),
                         [&](int32_t w) { return (w & 0xFF0000) == address; });
            QCOMPARE(written, expected);
            total += sent[std::size_t(channel)];
        }
        QCOMPARE(connections, total);
        qInfo("%d connections in 30 s, none refused", total);
    }

    // A client whose packets no longer arrive frees its place once keepalive
    // has given up on it: the client sits in a network namespace of its own
    // whose firewall drops everything sent to it.
    void keepaliveDropsAVanishedClient() {
        if (geteuid() != 0) QSKIP("needs root for a network namespace");
        const QString space = QStringLiteral("kteval-keepalive-%1").arg(getpid());
        const auto inSpace = [&](QStringList command) {
            return QProcess::execute("ip", QStringList{"netns", "exec", space} + command) == 0;
        };
        if (QProcess::execute("ip", {"netns", "add", space}) != 0) QSKIP("no network namespaces");
        const std::shared_ptr<void> removeSpace(nullptr, [&](void*) {
            QProcess::execute("ip", {"netns", "delete", space});
        });
        QVERIFY(inSpace({"ip", "link", "set", "lo", "up"}));
        QVERIFY(inSpace({"nft", "add", "table", "inet", "kteval"}));
        QVERIFY(inSpace({"nft", "add", "chain", "inet", "kteval", "out",
                         "{ type filter hook output priority 0 ; }"}));

        // The server and the client are made inside the namespace.
        const int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int away = open(qPrintable("/run/netns/" + space), O_RDONLY | O_CLOEXEC);
        QVERIFY(home >= 0 && away >= 0 && setns(away, CLONE_NEWNET) == 0);
        qputenv("KTEVAL_KEEPALIVE", "1,1,2");
        ServerBench bench(5);
        qunsetenv("KTEVAL_KEEPALIVE");
        QStringList log;
        bench.server.setLog([&](const QString& line) { log << line; });
        auto client = bench.connect();
        QVERIFY(setns(home, CLONE_NEWNET) == 0);
        close(home);
        close(away);
        QVERIFY(client);
        QCOMPARE(ask(*client, "*OPC?\n"), "1");

        QVERIFY(inSpace({"nft", "add", "rule", "inet", "kteval", "out", "tcp", "dport",
                         QString::number(client->localPort()), "drop"}));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(QTest::qWaitFor([&] { return bench.server.clientCount() == 0; }, 20000));
        qInfo("place freed after %.1f s", double(clock.elapsed()) / 1000);
        QVERIFY(clock.elapsed() >= 2000);  // not before keepalive has tried
        QVERIFY(QTest::qWaitFor(
            [&] { return log.back().contains("disconnected (Connection timed out)"); }, kWait));
    }

    // A line over 64 KiB is discarded up to its LF and reported once; one of
    // exactly 64 KiB is still a line, ended by LF or CR LF, also when its CR
    // arrives before its LF. The long line may arrive in pieces.
    void lineOverLimitIsOverrunOneAtLimitRuns() {
        ServerBench bench(5);
        auto client = bench.connect();
        QVERIFY(client);
        const QByteArray longest(64 * 1024, 'A');
        // The error names the header, cut short.
        const QString undefined = "-113,\"Undefined header;" + QString(45, 'A') + "...\"";
        QCOMPARE(ask(*client, longest + "\nSYST:ERR?\n"), undefined);
        QCOMPARE(ask(*client, longest + "\r\nSYST:ERR?\n"), undefined);
        client->write(longest + "\r");
        QVERIFY(QTest::qWaitFor([&] { return client->bytesToWrite() == 0; }, kWait));
        QTest::qWait(50);
        QCOMPARE(ask(*client, "\nSYST:ERR?\n"), undefined);
        client->write("WORD 1;" + longest);
        QVERIFY(QTest::qWaitFor([&] { return client->bytesToWrite() == 0; }, kWait));
        QTest::qWait(50);
        client->write(longest + "\nWORD 2\n");
        QCOMPARE(ask(*client, "SYST:ERR?\n"), "-363,\"Input buffer overrun\"");
        QCOMPARE(ask(*client, "SYST:ERR?\n"), "0,\"No error\"");
        QCOMPARE(bench.remote.bench.usb.words(), std::vector<int32_t>{2});
    }

    // A client that shuts down its sending side right after its lines: its
    // complete lines run and it gets their answers, its half line does not
    // run; one that resets the connection mid-line is dropped.
    void halfCloseStillAnswersResetMidLineDrops() {
        ServerBench bench(4);
        std::string answers;
        std::thread leaving([&, port = bench.server.port()] {
            const int fd = plainClient(port);
            answers = sendAndHalfClose(fd, "DAC0:X1A 5\nDAC0:X1A?\nDAC0:X1A 6");
            close(fd);
        });
        QVERIFY(QTest::qWaitFor([&] { return !answers.empty(); }, kWait));
        leaving.join();
        QCOMPARE(answers, "5\n");
        {
            auto resetting = bench.connect();
            QVERIFY(resetting);
            resetting->write("WORD 7");
            QVERIFY(QTest::qWaitFor([&] { return resetting->bytesToWrite() == 0; }, kWait));
            resetting->abort();
            QVERIFY(QTest::qWaitFor([&] { return bench.server.clientCount() == 0; }, kWait));
        }
        auto staying = bench.connect();
        QVERIFY(staying);
        QCOMPARE(ask(*staying, "DAC0:X1A?\n"), "5");
        QCOMPARE(bench.remote.bench.usb.words(),
                 std::vector<int32_t>{word::channelWord(word::kModeX, 16, 0, 5)});
    }

    // While the operator's box is open (its nested event loop runs), commands
    // wait; once it has closed they run, in order, none lost. The box's event
    // loop still runs what is due when the box has just been closed: the
    // commands wait until the operator's handler has gone on from its box.
    void commandsWaitWhileAModalBoxIsOpen_data() {
        QTest::addColumn<bool>("boxClosed");
        QTest::newRow("box open") << false;
        QTest::newRow("box closed, handler not yet resumed") << true;
    }
    void commandsWaitWhileAModalBoxIsOpen() {
        QFETCH(bool, boxClosed);
        ServerBench bench(5);
        auto client = bench.connect();
        QVERIFY(client);
        QSignalSpy waiting(&bench.server, &RemoteServer::inputWaiting);
        bool deferred = false;
        std::size_t sentWhileOpen = 99;
        bench.remote.bench.prompt.whileOpen = [&] {
            QDialog box(&bench.remote.bench.window);
            box.setModal(true);
            box.show();
            client->write("DAC1:X1A 1\nDAC1:X1A 2\n");
            deferred = waiting.wait(kWait);
            if (boxClosed) box.hide();
            QTest::qWait(50);  // room for a command that should not run
            sentWhileOpen = bench.remote.bench.usb.requests.size();
        };
        bench.remote.bench.typeInput(0, "not hex");
        bench.remote.bench.button("cmdX1A")->click();  // the refusal box
        bench.remote.bench.prompt.whileOpen = nullptr;
        QVERIFY(deferred);
        QCOMPARE(sentWhileOpen, std::size_t{0});
        QCOMPARE(ask(*client, "DAC1:X1A?\n"), "2");
        QCOMPARE(bench.remote.bench.usb.words(),
                 (std::vector<int32_t>{word::channelWord(word::kModeX, 14, 1, 1),
                                       word::channelWord(word::kModeX, 14, 1, 2)}));
    }

    // Commands sent while the operator picks the part wait until the window
    // has loaded, also through the last pass of the dialog's event loop: they
    // come after the firmware load and are not undone by the start values.
    void commandsWaitUntilStartUpHasLoaded() {
        SimulatedBoard board;
        RecordingUsb usb(&board);
        RecordingPrompt prompt;
        DialogStandIn chooser;
        QTemporaryDir firmwareDir;
        FrmMain window(usb, prompt, chooser);
        window.setFirmwareDirectory(firmwareDir.path());
        window.setPartListener([&board](const PartInfo& part) { board.setPart(part); });
        WindowOperations operations(window, true);
        RemoteServer server(operations);
        QVERIFY(server.listen({QHostAddress(QHostAddress::LocalHost), 0}));
        QTcpSocket client;
        client.connectToHost(QHostAddress(QHostAddress::LocalHost), server.port());
        QVERIFY(client.waitForConnected(kWait));
        QSignalSpy waiting(&server, &RemoteServer::inputWaiting);
        chooser.whileOpen = [&](const std::function<void(int)>& runSetup) {
            QDialog dialog;
            dialog.setModal(true);
            dialog.show();
            client.write("DAC0:X1A 5\n");
            QVERIFY(waiting.wait(kWait));
            runSetup(5);
            dialog.hide();
            QTest::qWait(50);  // the dialog's loop ends its last pass
        };
        window.Form_Load();
        QCOMPARE(ask(client, "DAC0:X1A?\n"), "5");
        QCOMPARE(usb.loads.size(), std::size_t{1});
        QVERIFY(!usb.requests.empty());
        QCOMPARE(usb.requests.front().request, request::Start);
        QCOMPARE(usb.words(), std::vector<int32_t>{word::channelWord(word::kModeX, 14, 0, 5)});
    }
};

QTEST_MAIN(RemoteServerTest)
#include "remote_server_test.moc"
