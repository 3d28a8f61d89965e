// The command server over loopback, in front of the real main window (shown on
// the offscreen platform, so it repaints) and the simulated board:
//  (a) pipelined "DAC<n>:X1A <code>" writes, sent at once and closed by a
//      "*OPC?" whose answer ends the clock: writes per second;
//  (b) single "DAC0:X1A?" round trips: median and 90th percentile;
//  (c) write-then-query pairs ("DAC5:X1A <code>;:PULS:LDAC", then
//      "DAC5:VOLT?") from a client that leaves Nagle's algorithm on, as
//      PyVISA-py and a plain socket do: median and 90th percentile.
// A client thread with plain sockets does the sending; the window's event
// loop serves as in the program. The same pairs from PyVISA over a whole
// sweep of 16,384 codes: bench/remote_sweep.sh.
//
// remote_bench [WRITES [ROUND_TRIPS]]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_window.h"
#include "frm_main.h"
#include "remote_server.h"
#include "simulated_board.h"
#include "window_operations.h"

namespace {

using Clock = std::chrono::steady_clock;

// A blocking loopback client.
class Client {
  public:
    Client(quint16 port, bool noDelay) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        if (noDelay) setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            std::perror("connect");
            std::exit(1);
        }
    }
    ~Client() { close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    void send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) std::exit(1);
            done += static_cast<std::size_t>(n);
        }
    }
    std::string readLine() {
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            char chunk[4096];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0) std::exit(1);
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

  private:
    int fd_;
    std::string buffer_;
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void pipelinedWrites(quint16 port, int writes, bool rotateChannels) {
    Client client(port, true);
    std::string lines;
    for (int i = 0; i < writes; ++i) {
        const int channel = rotateChannels ? i % 40 : 5;
        lines += "DAC" + std::to_string(channel) + ":X1A " + std::to_string(i & 0x3FFF) + "\n";
    }
    lines += "*OPC?\n";
    const auto start = Clock::now();
    std::thread sender([&] { client.send(lines); });
    const std::string answer = client.readLine();
    const auto end = Clock::now();
    sender.join();
    std::printf("(a) %d pipelined X1A writes, %s: %.2f s, %.0f writes/s (answer %s)\n", writes,
                rotateChannels ? "channels 0-39 in turn" : "channel 5", seconds(end - start),
                writes / seconds(end - start), answer.c_str());
}

void printSpread(std::vector<double>& micros) {
    std::sort(micros.begin(), micros.end());
    std::printf("median %.1f us, p90 %.1f us, p99 %.1f us\n", micros[micros.size() / 2],
                micros[micros.size() * 9 / 10], micros[micros.size() * 99 / 100]);
}

void roundTrips(quint16 port, int count) {
    Client client(port, true);
    std::vector<double> micros;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        client.send("DAC0:X1A?\n");
        client.readLine();
        micros.push_back(seconds(Clock::now() - start) * 1e6);
    }
    std::printf("(b) %d DAC0:X1A? round trips: ", count);
    printSpread(micros);
}

void writeQueryPairs(quint16 port, int count) {
    Client client(port, false);
    std::vector<double> micros;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        client.send("DAC5:X1A " + std::to_string(i & 0x3FFF) + ";:PULS:LDAC\n");
        client.send("DAC5:VOLT?\n");
        client.readLine();
        micros.push_back(seconds(Clock::now() - start) * 1e6);
    }
    std::printf("(c) %d write-then-query pairs, Nagle on: ", count);
    printSpread(micros);
}

}  // namespace

int main(int argc, char* argv[]) {
    const int writes = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int trips = argc > 2 ? std::atoi(argv[2]) : 20000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchWindow bench;
    kteval::ui::FrmMain& window = bench.window;
    kteval::ui::WindowOperations operations(window, true);
    kteval::ui::RemoteServer server(operations);
    if (!server.listen({QHostAddress(QHostAddress::LocalHost), 0})) return 1;

    std::thread client([&] {
        pipelinedWrites(server.port(), writes, false);
        pipelinedWrites(server.port(), writes, true);
        roundTrips(server.port(), trips);
        writeQueryPairs(server.port(), trips);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int result = QApplication::exec();
    client.join();
    return result;
}
