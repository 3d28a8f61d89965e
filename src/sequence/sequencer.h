#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kteval::sequence {

using Clock = std::chrono::steady_clock;

// One step: each channel's input code (channel index, code), then one LDAC
// pulse that moves them all.
struct Step {
    std::vector<std::pair<int, int32_t>> codes;
};

enum class TriggerSource { Immediate, Bus };

// A channel's list as it was given: voltages, or input codes.
struct ChannelList {
    bool inCodes = false;
    std::vector<double> points;
};

// The settings of ramps and lists, as the commands set them.
struct SequenceSettings {
    std::map<int, double> slew;        // V/s per channel index; none: no ramp
    std::map<int, ChannelList> lists;  // per channel index
    std::chrono::nanoseconds dwell = std::chrono::milliseconds(100);
    uint64_t count = 1;  // passes through the list; 0: without end
    TriggerSource trigger = TriggerSource::Immediate;
};

// The running ramps and list, each on its own schedule: step k at
// start + k x interval on the monotonic clock, so that a late step does not
// delay the ones after it. Steps due together go out as one step (one LDAC
// pulse). The time is always passed in.
class Sequencer {
  public:
    SequenceSettings settings;

    // A ramp on a channel through codes, one every interval from now on; it
    // replaces a ramp running on that channel.
    void startRamp(int channel, std::vector<int32_t> codes, std::chrono::nanoseconds interval,
                   Clock::time_point now);
    // A list: for each channel its codes (all of one length), stepped every
    // dwell, count passes (0: without end); with a bus trigger it waits for
    // trigger().
    void startList(std::vector<std::pair<int, std::vector<int32_t>>> channels,
                   std::chrono::nanoseconds dwell, uint64_t count, TriggerSource source,
                   Clock::time_point now);
    // *TRG: starts a list that waits for it; ignored otherwise.
    void trigger(Clock::time_point now);
    // Stops every ramp and the list where they are.
    void abort();

    // The steps due at now: at most one of each ramp and of the list, merged
    // into one step.
    std::optional<Step> due(Clock::time_point now);
    // When the next step is due; nullopt when nothing is scheduled.
    std::optional<Clock::time_point> nextDue() const;

    bool rampRunning() const { return !ramps_.empty(); }
    bool listRunning() const { return list_.has_value() && !list_->waitingForTrigger; }
    bool waitingForTrigger() const { return list_.has_value() && list_->waitingForTrigger; }
    bool busy() const { return rampRunning() || list_.has_value(); }
    bool channelBusy(int channel) const;
    // The most channels one step writes: the list's and every ramp's.
    std::size_t stepWidth() const {
        return (list_ ? list_->channels.size() : 0) + ramps_.size();
    }
    // The scheduled time of each list step taken so far (for timing checks).
    const std::vector<Clock::time_point>& listSchedule() const { return listSchedule_; }

  private:
    struct Ramp {
        std::vector<int32_t> codes;
        std::size_t next = 0;
        Clock::time_point start;
        std::chrono::nanoseconds interval;
        Clock::time_point at() const { return start + interval * (next + 1); }
    };
    struct List {
        std::vector<std::pair<int, std::vector<int32_t>>> channels;
        std::chrono::nanoseconds dwell;
        uint64_t count;
        bool waitingForTrigger;
        Clock::time_point start;
        uint64_t next = 0;  // steps taken
        Clock::time_point at() const { return start + dwell * next; }
        std::size_t length() const { return channels.front().second.size(); }
    };
    std::map<int, Ramp> ramps_;
    std::optional<List> list_;
    std::vector<Clock::time_point> listSchedule_;
};

}  // namespace kteval::sequence
