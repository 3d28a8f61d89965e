// Preloaded ahead of umockdev's library into every program of the emulated
// tests: gives each emulated udev monitor a socket name of its own.
//
// umockdev stands an AF_UNIX datagram socket in for a udev monitor's netlink
// socket and binds it at $UMOCKDEV_DIR/event<descriptor number>, unlinking
// whatever is there first; the testbed sends each uevent to every
// $UMOCKDEV_DIR/event[0-9]* it finds. Two processes on one testbed whose
// monitors have the same descriptor number take each other's name: the one
// bound first never hears a uevent again (its libusb sees no board leave or
// come back), or both unlink before either binds and the second bind fails
// (its libusb cannot start). Named after the socket's inode number, unique
// among open sockets, every monitor keeps its own name.
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

using BindFunction = int (*)(int, const sockaddr*, socklen_t);

// Whether fd is umockdev's stand-in for a netlink socket (address is where
// the udev library means to bind it).
bool isEmulatedMonitor(int fd, const sockaddr* address) {
    int domain = 0;
    socklen_t size = sizeof domain;
    return address != nullptr && address->sa_family == AF_NETLINK &&
           getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) == 0 && domain == AF_UNIX;
}

// The system call itself: umockdev's bind() would choose the name again.
int bindTo(int fd, const sockaddr_un& name) {
    return static_cast<int>(
        syscall(SYS_bind, fd, reinterpret_cast<const sockaddr*>(&name), sizeof name));
}

}  // namespace

extern "C" int bind(int fd, const sockaddr* address, socklen_t length) {
    const char* testbed = std::getenv("UMOCKDEV_DIR");
    struct stat socketFile {};
    if (testbed == nullptr || !isEmulatedMonitor(fd, address) || fstat(fd, &socketFile) != 0) {
        const auto next = reinterpret_cast<BindFunction>(dlsym(RTLD_NEXT, "bind"));
        if (next == nullptr) {
            errno = ENOSYS;
            return -1;
        }
        return next(fd, address, length);
    }
    sockaddr_un name{};
    name.sun_family = AF_UNIX;
    const int n = std::snprintf(name.sun_path, sizeof name.sun_path, "%s/event%llu", testbed,
                                static_cast<unsigned long long>(socketFile.st_ino));
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof name.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    if (bindTo(fd, name) == 0) return 0;
    if (errno != EADDRINUSE) return -1;
    // A socket closed long ago had the same inode number and left its name.
    unlink(name.sun_path);
    return bindTo(fd, name);
}
