#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "meter_address.h"
#include "meter_channel.h"

namespace kteval::meter {

// A meter behind a file descriptor: a TCP socket, whose answers end at LF, or
// a USBTMC device node, where one write() is one command and one read() one
// answer. Waits for an answer with the USBTMC driver's own timeout where the
// node takes one, else with poll().
class FdChannel : public MeterChannel {
  public:
    enum class Framing { Lines, Messages };
    FdChannel(int fd, Framing framing);
    ~FdChannel() override;
    FdChannel(const FdChannel&) = delete;
    FdChannel& operator=(const FdChannel&) = delete;

    void send(std::string_view command) override;
    std::string receive(std::chrono::milliseconds timeout) override;

  private:
    [[noreturn]] void fail(const std::string& what) const;

    int fd_;
    Framing framing_;
    std::string pending_;  // bytes read past the last answer
    bool driverTimeout_ = false;
    std::chrono::milliseconds lastTimeout_{0};
};

// Connects to tcp:HOST:PORT within timeout, or opens the USBTMC node; throws
// MeterFailure with the reason.
std::unique_ptr<MeterChannel> openChannel(const MeterAddress& address,
                                          std::chrono::milliseconds timeout);

}  // namespace kteval::meter
