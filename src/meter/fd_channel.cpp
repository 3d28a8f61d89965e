#include "fd_channel.h"

#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kteval::meter {

namespace {

// A connected TCP socket, or -1 with the reason in error.
int connectTcp(const MeterAddress& address, std::chrono::milliseconds timeout, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (const int code = getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found)) {
        error = gai_strerror(code);
        return -1;
    }
    int fd = -1;
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        if (connect(fd, a->ai_addr, a->ai_addrlen) != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int status = ETIMEDOUT;
            socklen_t length = sizeof status;
            if (poll(&p, 1, static_cast<int>(timeout.count())) == 1) {
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &length);
            }
            errno = status;
        } else {
            errno = 0;
        }
        if (errno != 0) {
            error = std::strerror(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

}  // namespace

FdChannel::FdChannel(int fd, Framing framing) : fd_(fd), framing_(framing) {}

FdChannel::~FdChannel() {
    close(fd_);
}

void FdChannel::fail(const std::string& what) const {
    // The meter's name is added by whoever holds the conversation.
    throw MeterFailure(what);
}

void FdChannel::send(std::string_view command) {
    std::string line(command);
    line += '\n';
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = framing_ == Framing::Lines
                              ? ::send(fd_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL)
                              : ::write(fd_, line.data() + sent, line.size() - sent);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot send '" + std::string(command) + "': " + std::strerror(errno));
        sent += static_cast<std::size_t>(n);
    }
}

std::string FdChannel::receive(std::chrono::milliseconds timeout) {
    if (framing_ == Framing::Messages && timeout != lastTimeout_) {
        // The USBTMC driver times a read out itself; poll() does not tell
        // when its answer is ready.
        unsigned int ms = static_cast<unsigned int>(timeout.count());
        driverTimeout_ = ioctl(fd_, USBTMC_IOCTL_SET_TIMEOUT, &ms) == 0;
        lastTimeout_ = timeout;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (const std::size_t end = pending_.find('\n'); end != std::string::npos) {
            std::string answer = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!answer.empty() && answer.back() == '\r') answer.pop_back();
            return answer;
        }
        if (!driverTimeout_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            const int ready = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) fail("no answer within " + std::to_string(timeout.count()) + " ms");
        }
        char buffer[4096];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == ETIMEDOUT) {
            fail("no answer within " + std::to_string(timeout.count()) + " ms");
        }
        if (n < 0) fail(std::string("cannot read: ") + std::strerror(errno));
        if (n == 0) fail("the connection was closed");
        pending_.append(buffer, static_cast<std::size_t>(n));
        // A USBTMC read is one whole answer, terminated or not.
        if (framing_ == Framing::Messages && pending_.find('\n') == std::string::npos) {
            pending_ += '\n';
        }
    }
}

std::unique_ptr<MeterChannel> openChannel(const MeterAddress& address,
                                          std::chrono::milliseconds timeout) {
    std::string error;
    if (address.kind == MeterAddress::Kind::Tcp) {
        const int fd = connectTcp(address, timeout, error);
        if (fd < 0) throw MeterFailure("meter " + address.text() + ": cannot connect: " + error);
        return std::make_unique<FdChannel>(fd, FdChannel::Framing::Lines);
    }
    const int fd = open(address.device.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        throw MeterFailure("meter " + address.text() + ": cannot open: " + std::strerror(errno));
    }
    return std::make_unique<FdChannel>(fd, FdChannel::Framing::Messages);
}

}  // namespace kteval::meter
