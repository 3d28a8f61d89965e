// The command server over loopback, in front of the real main window (shown on
// the offscreen platform, so it repaints) and the simulated board:
//  (a) pipelined "DAC<n>:X1A <code>" writes, sent at once and closed by a
//      "*OPC?" whose answer ends the clock: writes per second;
//  (b) single "DAC0:X1A?" round trips: median and 90th percentile.
// A client thread with plain sockets does the sending; the window's event
// loop serves as in the program.
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
    explicit Client(quint16 port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
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
    Client client(port);
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

void roundTrips(quint16 port, int count) {
    Client client(port);
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        client.send("DAC0:X1A?\n");
        client.readLine();
        micros.push_back(seconds(Clock::now() - start) * 1e6);
    }
    std::sort(micros.begin(), micros.end());
    std::printf("(b) %d DAC0:X1A? round trips: median %.1f us, p90 %.1f us, p99 %.1f us\n", count,
                micros[micros.size() / 2], micros[micros.size() * 9 / 10],
                micros[micros.size() * 99 / 100]);
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
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    const int result = QApplication::exec();
    client.join();
    return result;
}
