// The command server over loopback sockets in front of the real window.
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDialog>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>
#include <atomic>
#include <memory>
#include <numeric>
#include <thread>

#include "command_words.h"
#include "harness.h"
#include "remote_server.h"
#include "request_codes.h"
#include "window_operations.h"

using namespace kteval;
using namespace kteval::ui;
using namespace kteval::ui::test;

namespace {

constexpr int kWait = 10000;  // ms; only reached when something is broken
#define WAIT_FOR(condition) QVERIFY(QTest::qWaitFor([&] { return condition; }, kWait))

std::unique_ptr<QTcpSocket> connectTo(quint16 port) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    return socket->waitForConnected(kWait) ? std::move(socket) : nullptr;
}

// Writes lines; the next answer line without its LF, "<none>" after the wait.
QString ask(QTcpSocket& socket, const QByteArray& lines) {
    socket.write(lines);
    if (!QTest::qWaitFor([&] { return socket.canReadLine(); }, kWait)) return "<none>";
    return QString::fromUtf8(socket.readLine()).chopped(1);
}

// Flushes what was written, then leaves the server a moment to read it.
void flush(QTcpSocket& socket) {
    static_cast<void>(QTest::qWaitFor([&] { return socket.bytesToWrite() == 0; }, kWait));
    QTest::qWait(50);
}

// A window with its server on a free loopback port.
struct ServerBench {
    explicit ServerBench(int partIndex) : bench(partIndex, true) {
        if (!server.listen({QHostAddress(QHostAddress::LocalHost), 0})) qFatal("cannot listen");
        bench.usb.clear();
    }
    std::unique_ptr<QTcpSocket> connect() { return connectTo(server.port()); }
    std::vector<int32_t> words() const { return bench.usb.words(); }

    Bench bench;
    WindowOperations operations{bench.window, true};
    RemoteServer server{operations};
};

int32_t xWord(int bits, int channel, int code) {
    return word::channelWord(word::kModeX, int16_t(bits), int16_t(channel), code);
}

// A blocking client that sends lines, half-closes and reads all answers.
std::string sendAndHalfClose(quint16 port, const std::string& lines) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    std::string answers;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        write(fd, lines.data(), lines.size()) != ssize_t(lines.size())) {
        answers = "<reset>";
    }
    shutdown(fd, SHUT_WR);
    char chunk[256];
    for (ssize_t n; answers != "<reset>" && (n = read(fd, chunk, sizeof chunk)) != 0;) {
        n < 0 ? void(answers = "<reset>") : void(answers.append(chunk, std::size_t(n)));
    }
    const linger reset{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(fd);
    return answers;
}

// The part dialog at start-up: whileOpen runs while it is open.
struct DialogStandIn : PartChooser {
    std::function<void(const std::function<void(int)>&)> whileOpen;
    void choosePart(const std::function<void(int)>& runSetup) override { whileOpen(runSetup); }
};

}  // namespace

class RemoteServerTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QCoreApplication::setApplicationVersion("1.05"); }

    // "[ADDR:]PORT" and KTEVAL_KEEPALIVE read, or refused out of range.
    void listenAddressAndKeepaliveReadOrRefused() {
        const auto host = [](const QHostAddress& a) {
            return a.protocol() == QAbstractSocket::AnyIPProtocol ? "*" : a.toString();
        };
        // clang-format off
        const std::pair<QString, QString> rows[] = {
            {"5025", "127.0.0.1 5025"}, {"*:5025", "* 5025"}, {"localhost:1", "127.0.0.1 1"},
            {"[::1]:5025", "::1 5025"}, {"::1:5025", "-"}, {"65536", "-"}, {"+5", "-"},
            {"example.org:5025", "-"}};
        const std::pair<QString, QString> keepalives[] = {
            {"1, 1,1", "1 1 1"}, {"32767,32767,127", "32767 32767 127"}, {"0,10,6", "-"},
            {"60,32768,6", "-"}, {"60,10,128", "-"}, {"60,10", "-"}, {"60,10,6,1", "-"}};
        // clang-format on
        for (const auto& [text, read] : rows) {
            const auto parsed = parseListenAddress(text);
            QCOMPARE(parsed ? host(parsed->address) + ' ' + QString::number(parsed->port) : "-",
                     read);
        }
        for (const auto& [text, read] : keepalives) {
            const auto k = parseKeepAlive(text);
            QCOMPARE(
                k ? QString("%1 %2 %3").arg(k->idleSeconds).arg(k->intervalSeconds).arg(k->probes)
                  : "-",
                read);
        }
    }

    // Catches a shared error queue, or pipelined lines lost or reordered.
    void ownErrorQueuesAndPipelinedLinesInOrder() {
        ServerBench bench(4);
        auto first = bench.connect(), second = bench.connect();
        QVERIFY(first && second);
        first->write("DAC0:X1A 99999\r\n");
        QCOMPARE(ask(*second, "*IDN?;SYST:ERR?\r\n"),
                 "kteval,KT4420,SIMULATED,1.05;0,\"No error\"");
        QCOMPARE(ask(*first, "SYST:ERR?\n"), "-222,\"Data out of range;DAC0:X1A above 65535\"");
        QByteArray lines;
        std::vector<int32_t> expected;
        for (int i = 0; i < 3000; ++i) {
            lines +=
                "DAC" + QByteArray::number(i * 7 % 40) + ":X1A " + QByteArray::number(i) + "\n";
            expected.push_back(xWord(16, i * 7 % 40, i));
        }
        QCOMPARE(ask(*first, lines + "DAC33:X1A?;:CHAN?\n"), "2999;33");
        QVERIFY(bench.words() == expected);
        QCOMPARE(bench.bench.label("lblXA")->text(), "0BB7");
    }

    // Catches a ninth client let in, or a closed client's place kept.
    void ninthClientRefusedAndLoggedClosedOneFreesItsPlace() {
        ServerBench bench(0);
        QStringList log;
        bench.server.setLog([&](const QString& line) { log << line; });
        const auto name = [](auto& s) { return "127.0.0.1:" + QString::number(s.localPort()); };
        if (auto reset = bench.connect()) {  // reset before the server reads from it
            const QString resetName = name(*reset);
            const linger now{1, 0};
            setsockopt(int(reset->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            reset->abort();
            WAIT_FOR(
                log.contains("client " + resetName + " disconnected (Connection reset by peer)"));
            QCOMPARE(log.front(), "client " + resetName + " connected (1 of 8)");
        }
        std::vector<std::unique_ptr<QTcpSocket>> clients;
        for (int i = 0; i < 8; ++i) {
            clients.push_back(bench.connect());
            QVERIFY(clients.back());
            QCOMPARE(ask(*clients.back(), "*OPC?\n"), "1");
        }
        QCOMPARE(log.back(), "client " + name(*clients.back()) + " connected (8 of 8)");
        if (auto ninth = bench.connect()) {
            const QString ninthName = name(*ninth);
            ninth->write("WORD 1\n");
            WAIT_FOR(ninth->state() == QAbstractSocket::UnconnectedState);
            QCOMPARE(ninth->readAll(), "kteval: too many clients (8); connection refused\n");
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
        QVERIFY(bench.bench.usb.requests.empty());
    }

    // Soak: reconnecting, half-closing clients refused or answers lost.
    void soakReconnectingClientsNeverRefusedNorLoseAnswers() {
        ServerBench bench(5);
        int connections = 0;
        bench.server.setLog([&](const QString& line) { connections += line.endsWith("of 8)"); });
        std::atomic<int> running = 8, lost = 0;
        std::vector<int> sent(8, 0);
        std::vector<std::thread> clients;
        const auto ends = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (int channel = 0; channel < 8; ++channel) {
            clients.emplace_back([&, channel, port = bench.server.port()] {
                const std::string dac = "DAC" + std::to_string(channel) + ":X1A";
                for (int& code = sent[std::size_t(channel)];
                     std::chrono::steady_clock::now() < ends; ++code) {
                    const std::string value = std::to_string(code % 16384);
                    lost += sendAndHalfClose(port, dac + " " + value + "\n" + dac + "?\nWORD 1") !=
                            value + "\n";
                }
                --running;
            });
        }
        QVERIFY(QTest::qWaitFor([&] { return running == 0; }, 40000));
        for (std::thread& client : clients) client.join();
        QCOMPARE(lost.load(), 0);
        QCOMPARE(int(bench.words().size()), connections);  // one write each, no half line
        QCOMPARE(connections, std::accumulate(sent.begin(), sent.end(), 0));
        qInfo("%d connections in 30 s, none refused", connections);
    }

    // Catches answers lost when a half-closed client's exceed the kernel's buffers.
    void halfClosedClientGetsMegabytesOfAnswers() {
        ServerBench bench(4);
        std::string lines, answers;
        std::string line = "*IDN?";
        for (int i = 0; i < 200; ++i) line += ";*IDN?";
        for (int i = 0; i < 1000; ++i) lines += line + "\n";
        std::atomic<bool> done = false;
        std::thread client([&, port = bench.server.port()] {
            answers = sendAndHalfClose(port, lines);
            done = true;
        });
        const bool finished = QTest::qWaitFor([&] { return done.load(); }, 60000);
        client.join();
        QVERIFY(finished);
        const std::string first = answers.substr(0, answers.find('\n') + 1);
        QVERIFY(first.size() * 1000 > 4'000'000);
        std::string expected;
        for (int i = 0; i < 1000; ++i) expected += first;
        QVERIFY(answers == expected);
    }

    // A client whose packets are dropped frees its place through keepalive.
    void keepaliveDropsAVanishedClient() {
        if (geteuid() != 0) QSKIP("needs root for a network namespace");
        const QString space = QStringLiteral("kteval-keepalive-%1").arg(getpid());
        const auto inSpace = [&](const QString& command) {
            return QProcess::execute("ip",
                                     QStringList{"netns", "exec", space} + command.split(' ')) == 0;
        };
        if (QProcess::execute("ip", {"netns", "add", space}) != 0) QSKIP("no network namespaces");
        const std::shared_ptr<void> removeSpace(nullptr, [&](void*) {
            QProcess::execute("ip", {"netns", "delete", space});
        });
        QVERIFY(inSpace("ip link set lo up") && inSpace("nft add table inet kteval") &&
                inSpace("nft add chain inet kteval out { type filter hook output priority 0 ; }"));
        const int home = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        const int away = open(qPrintable("/run/netns/" + space), O_RDONLY | O_CLOEXEC);
        QVERIFY(home >= 0 && away >= 0 && setns(away, CLONE_NEWNET) == 0);
        qputenv("KTEVAL_KEEPALIVE", "1,1,2");
        ServerBench bench(5);  // server and client inside the namespace
        qunsetenv("KTEVAL_KEEPALIVE");
        QStringList log;
        bench.server.setLog([&](const QString& line) { log << line; });
        auto client = bench.connect();
        QVERIFY(setns(home, CLONE_NEWNET) == 0 && close(home) == 0 && close(away) == 0);
        QVERIFY(client);
        QCOMPARE(ask(*client, "*OPC?\n"), "1");
        QVERIFY(inSpace("nft add rule inet kteval out tcp dport " +
                        QString::number(client->localPort()) + " drop"));
        QVERIFY(QTest::qWaitFor([&] { return bench.server.clientCount() == 0; }, 20000));
        WAIT_FOR(log.back().contains("disconnected (Connection timed out)"));
    }

    // Catches the 64 KiB line limit off by one, or an overrun not discarded.
    void lineOverLimitIsOverrunOneAtLimitRuns() {
        ServerBench bench(5);
        auto client = bench.connect();
        QVERIFY(client);
        const QByteArray longest(64 * 1024, 'A');
        const QString undefined = "-113,\"Undefined header;" + QString(45, 'A') + "...\"";
        QCOMPARE(ask(*client, longest + "\nSYST:ERR?\n"), undefined);
        client->write(longest + "\r");
        flush(*client);
        QCOMPARE(ask(*client, "\nSYST:ERR?\n"), undefined);
        client->write("WORD 1;" + longest);
        flush(*client);
        client->write(longest + "\nWORD 2\n");
        QCOMPARE(ask(*client, "SYST:ERR?\n"), "-363,\"Input buffer overrun\"");
        QCOMPARE(ask(*client, "SYST:ERR?\n"), "0,\"No error\"");
        QCOMPARE(bench.words(), std::vector<int32_t>{2});
        client->write("WORD 7");  // reset mid-line: dropped, its half line not run
        flush(*client);
        client->abort();
        WAIT_FOR(bench.server.clientCount() == 0);
        QCOMPARE(bench.words(), std::vector<int32_t>{2});
    }

    // Catches commands run while the operator's box is open or just closed.
    void commandsWaitWhileAModalBoxIsOpen_data() {
        QTest::addColumn<bool>("boxClosed");
        QTest::newRow("box open") << false;
        QTest::newRow("box closed, handler not yet resumed") << true;
    }
    void commandsWaitWhileAModalBoxIsOpen() {
        QFETCH(bool, boxClosed);
        ServerBench bench(5);
        Bench& window = bench.bench;
        auto client = bench.connect();
        QVERIFY(client);
        QSignalSpy waiting(&bench.server, &RemoteServer::inputWaiting);
        bool deferred = false;
        std::size_t sentWhileOpen = 99;
        window.prompt.whileOpen = [&] {
            QDialog box(&window.window);
            box.setModal(true);
            box.show();
            client->write("DAC1:X1A 1\nDAC1:X1A 2\n");
            deferred = waiting.wait(kWait);
            if (boxClosed) box.hide();
            QTest::qWait(50);  // room for a command that should not run
            sentWhileOpen = window.usb.requests.size();
        };
        window.typeInput(0, "not hex");
        window.button("cmdX1A")->click();  // the refusal box
        window.prompt.whileOpen = nullptr;
        QVERIFY(deferred);
        QCOMPARE(sentWhileOpen, std::size_t{0});
        QCOMPARE(ask(*client, "DAC1:X1A?\n"), "2");
        QCOMPARE(bench.words(), (std::vector<int32_t>{xWord(14, 1, 1), xWord(14, 1, 2)}));
    }

    // Catches commands run before start-up has loaded the part.
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
        auto client = connectTo(server.port());
        QVERIFY(client);
        QSignalSpy waiting(&server, &RemoteServer::inputWaiting);
        chooser.whileOpen = [&](const std::function<void(int)>& runSetup) {
            QDialog dialog;
            dialog.setModal(true);
            dialog.show();
            client->write("DAC0:X1A 5\n");
            QVERIFY(waiting.wait(kWait));
            runSetup(5);
            dialog.hide();
            QTest::qWait(50);  // the dialog's loop ends its last pass
        };
        window.Form_Load();
        QCOMPARE(ask(*client, "DAC0:X1A?\n"), "5");
        QCOMPARE(usb.loads.size(), std::size_t{1});
        QVERIFY(!usb.requests.empty() && usb.requests.front().request == request::Start);
        QCOMPARE(usb.words(), std::vector<int32_t>{xWord(14, 0, 5)});
    }
};

QTEST_MAIN(RemoteServerTest)
#include "remote_server_test.moc"
