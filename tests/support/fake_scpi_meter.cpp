#include "fake_scpi_meter.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace kteval::test {

FakeScpiMeter::FakeScpiMeter(Transport transport, std::vector<std::string> readings, Fault fault,
                             int faultAfter)
    : transport_(transport),
      readings_(std::move(readings)),
      fault_(fault),
      faultAfter_(faultAfter) {
    if (pipe(wake_) != 0) throw std::runtime_error("pipe");
    if (transport == Transport::Tcp) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("fake meter: cannot listen");
        }
        address_ = "tcp:127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    } else {
        listener_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (listener_ < 0 || grantpt(listener_) != 0 || unlockpt(listener_) != 0) {
            throw std::runtime_error("fake meter: no pseudo-terminal");
        }
        address_ = std::string("usbtmc:") + ptsname(listener_);
        // Raw: bytes pass as written, no echo, no line editing.
        replica_ = open(ptsname(listener_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios mode{};
        tcgetattr(replica_, &mode);
        cfmakeraw(&mode);
        tcsetattr(replica_, TCSANOW, &mode);
    }
    thread_ = std::thread(&FakeScpiMeter::serve, this);
}

FakeScpiMeter::~FakeScpiMeter() {
    const char stop = 0;
    (void)!write(wake_[1], &stop, 1);
    thread_.join();
    for (const int fd : {listener_, replica_, wake_[0], wake_[1]}) {
        if (fd >= 0) close(fd);
    }
}

std::vector<std::string> FakeScpiMeter::received() const {
    const std::lock_guard lock(mutex_);
    return received_;
}

bool FakeScpiMeter::answer(const std::string& command, std::string& reply) {
    {
        const std::lock_guard lock(mutex_);
        received_.push_back(command);
    }
    if (command == "*IDN?") {
        reply = "FAKE INSTRUMENTS,DMM 1,0001,1.0\n";
    } else if (command == "SYST:ERR?") {
        reply =
            fault_ == Fault::ReportsError ? "-222,\"Data out of range\"\n" : "+0,\"No error\"\n";
    } else if (command == "READ?") {
        const bool faulty = readingsGiven_ >= faultAfter_;
        if (faulty && fault_ == Fault::Vanishes) return false;
        if (faulty && fault_ == Fault::Garbage) {
            reply = "ERR\n";
        } else if (faulty && fault_ == Fault::Overload) {
            reply = "+9.9000000E+37\n";
        } else if (!(faulty && fault_ == Fault::Silent)) {
            reply = readings_[std::size_t(readingsGiven_) % readings_.size()] + "\n";
        }
        ++readingsGiven_;
    }
    return true;
}

void FakeScpiMeter::serve() {
    int peer = transport_ == Transport::Usbtmc ? listener_ : -1;
    std::string pending;
    while (true) {
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {peer >= 0 ? peer : listener_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || fds[0].revents != 0) break;
        if (peer < 0) {
            peer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            continue;
        }
        char buffer[4096];
        const ssize_t n = read(peer, buffer, sizeof buffer);
        if (n <= 0) break;
        pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            std::string reply;
            const bool stays = answer(pending.substr(0, end), reply);
            pending.erase(0, end + 1);
            if (!stays) {
                // Gone: the socket closes, the pseudo-terminal hangs up.
                close(peer);
                if (peer == listener_) listener_ = -1;
                return;
            }
            if (!reply.empty()) (void)!write(peer, reply.data(), reply.size());
        }
    }
    if (peer >= 0 && peer != listener_) close(peer);
}

}  // namespace kteval::test
