#include "sequencer.h"

#include <algorithm>

namespace kteval::sequence {

void Sequencer::startRamp(int channel, std::vector<int32_t> codes,
                          std::chrono::nanoseconds interval, Clock::time_point now) {
    ramps_.erase(channel);
    if (!codes.empty()) ramps_[channel] = Ramp{std::move(codes), 0, now, interval};
}

void Sequencer::startList(std::vector<std::pair<int, std::vector<int32_t>>> channels,
                          std::chrono::nanoseconds dwell, uint64_t count, TriggerSource source,
                          Clock::time_point now) {
    list_.reset();
    listSchedule_.clear();
    if (channels.empty() || channels.front().second.empty()) return;
    list_ = List{std::move(channels), dwell, count, source == TriggerSource::Bus, now};
}

void Sequencer::trigger(Clock::time_point now) {
    if (!waitingForTrigger()) return;
    list_->waitingForTrigger = false;
    list_->start = now;
}

void Sequencer::abort() {
    ramps_.clear();
    list_.reset();
}

bool Sequencer::channelBusy(int channel) const {
    if (ramps_.contains(channel)) return true;
    return list_ && std::any_of(list_->channels.begin(), list_->channels.end(),
                                [channel](const auto& c) { return c.first == channel; });
}

std::optional<Step> Sequencer::due(Clock::time_point now) {
    Step step;
    if (listRunning() && list_->at() <= now) {
        const std::size_t point = list_->next % list_->length();
        for (const auto& [channel, codes] : list_->channels) {
            step.codes.emplace_back(channel, codes[point]);
        }
        listSchedule_.push_back(list_->at());
        ++list_->next;
        if (list_->count != 0 && list_->next >= list_->count * list_->length()) list_.reset();
    }
    for (auto it = ramps_.begin(); it != ramps_.end();) {
        Ramp& ramp = it->second;
        if (ramp.at() <= now) {
            step.codes.emplace_back(it->first, ramp.codes[ramp.next]);
            ++ramp.next;
        }
        it = ramp.next == ramp.codes.size() ? ramps_.erase(it) : std::next(it);
    }
    if (step.codes.empty()) return std::nullopt;
    return step;
}

std::optional<Clock::time_point> Sequencer::nextDue() const {
    std::optional<Clock::time_point> next;
    if (listRunning()) next = list_->at();
    for (const auto& [channel, ramp] : ramps_) {
        if (!next || ramp.at() < *next) next = ramp.at();
    }
    return next;
}

}  // namespace kteval::sequence
