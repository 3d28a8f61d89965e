#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kteval::test {

// A bench meter on a thread of its own, reached over a TCP socket on
// 127.0.0.1 or over a pseudo-terminal that stands for a USBTMC node (one
// write a command, one read an answer). It records every command and answers
// the DC subset: readings from a list (cycled), no error in SYST:ERR?, unless
// told to fail.
class FakeScpiMeter {
  public:
    enum class Transport { Tcp, Usbtmc };
    enum class Fault {
        None,
        Silent,        // no answer to READ? once faultAfter readings were given
        Garbage,       // "ERR" instead of a reading then
        Overload,      // 9.9E37 then
        Vanishes,      // the connection closes then
        ReportsError,  // SYST:ERR? answers -222 from the start
    };
    FakeScpiMeter(Transport transport, std::vector<std::string> readings, Fault fault = Fault::None,
                  int faultAfter = 0);
    ~FakeScpiMeter();
    FakeScpiMeter(const FakeScpiMeter&) = delete;
    FakeScpiMeter& operator=(const FakeScpiMeter&) = delete;

    // tcp:127.0.0.1:PORT or usbtmc:/dev/pts/N.
    const std::string& address() const { return address_; }
    std::vector<std::string> received() const;

  private:
    void serve();
    // The answer to one command; false when the meter is to go away.
    bool answer(const std::string& command, std::string& reply);

    Transport transport_;
    std::vector<std::string> readings_;
    Fault fault_;
    int faultAfter_;
    int readingsGiven_ = 0;
    int listener_ = -1;  // TCP listening socket, or the pty's master
    int replica_ = -1;   // the pty's replica end, held open in raw mode
    int wake_[2] = {-1, -1};
    std::string address_;
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    std::thread thread_;
};

}  // namespace kteval::test
