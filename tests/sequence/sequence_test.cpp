// Ramps never step faster than their rate; lists keep their schedule on the
// clock they are given, wait for a trigger, stop when aborted.
#include <gtest/gtest.h>

#include <cmath>

#include "effective_code.h"
#include "output_voltage.h"
#include "ramp.h"
#include "sequencer.h"

namespace kteval::sequence {
namespace {

using namespace std::chrono_literals;

// Catches a step beyond the rate (a low gain's rounding included), a ramp
// that does not end on its target, or one that turns back.
TEST(Ramp, NoStepFasterThanTheRate) {
    const PartInfo& p16 = *findPart("KT4420");
    const PartInfo& p14 = *findPart("KT4421");
    const struct {
        const PartInfo& part;
        ChannelSettings settings;
        int32_t from, to;
        double rate;
    } rows[] = {
        {p16, {65535, 32768, 5461, 3.0}, 0, 65535, 1000},
        {p16, {65535, 32768, 5461, 3.0}, 60000, 100, 5},     // slower than a code per step
        {p16, {30000, 40000, 5461, -2.5}, 100, 50000, 250},  // low gain, negative reference
        {p14, {16383, 8192, 5461, 3.0}, 16383, 0, 77},
        {p14, {5000, 1000, 5461, 3.0}, 3, 16000, 3},
    };
    for (const auto& row : rows) {
        const RampPlan plan = planRamp(row.part, row.settings, row.from, row.to, row.rate, 10ms);
        const auto volts = [&](int32_t x) {
            const ChannelSettings& s = row.settings;
            return outputVoltage(row.part, *effectiveCode(row.part.bits, x, s.m, s.c),
                                 s.offsetCode, s.vref);
        };
        const double allowed = row.rate * std::chrono::duration<double>(plan.interval).count();
        ASSERT_FALSE(plan.codes.empty());
        EXPECT_EQ(plan.codes.back(), row.to);
        int32_t previous = row.from;
        for (const int32_t code : plan.codes) {
            EXPECT_LE(std::fabs(volts(code) - volts(previous)), allowed + 1e-12) << code;
            EXPECT_EQ(code > previous, row.to > row.from) << code;
            previous = code;
        }
        EXPECT_GE(plan.interval, 10ms);
    }
}

// Catches drift (a late step delaying the next), a count or trigger ignored,
// ramps and the list not sharing a step, and an abort that leaves work.
TEST(Sequencer, ScheduleTriggerAndAbort) {
    const Clock::time_point t0{};
    Sequencer s;
    s.startList({{1, {10, 11, 12}}, {2, {20, 21, 22}}}, 10ms, 2, TriggerSource::Bus, t0);
    EXPECT_TRUE(s.waitingForTrigger());
    EXPECT_FALSE(s.due(t0 + 1s));
    s.trigger(t0 + 100ms);
    s.startRamp(5, {7, 8}, 4ms, t0 + 100ms);
    std::vector<std::string> taken;
    for (const auto at : {100ms, 103ms, 104ms, 117ms, 120ms, 130ms, 140ms, 150ms, 160ms, 170ms}) {
        std::string step;
        if (const auto due = s.due(t0 + at)) {
            for (const auto& [channel, code] : due->codes) step += std::to_string(code) + " ";
        }
        taken.push_back(step);
    }
    EXPECT_EQ(taken, (std::vector<std::string>{"10 20 ", "", "7 ", "11 21 8 ", "12 22 ",
                                               "10 20 ", "11 21 ", "12 22 ", "", ""}));
    // Step 1 came 7 ms late; step 2 kept its time all the same.
    EXPECT_EQ(s.listSchedule()[2], t0 + 120ms);
    EXPECT_FALSE(s.busy());

    s.settings.count = 0;
    s.startList({{1, {1, 2}}}, 5ms, 0, TriggerSource::Immediate, t0);
    s.startRamp(3, {1, 2, 3}, 1ms, t0);
    EXPECT_TRUE(s.due(t0 + 1ms) && s.listRunning() && s.rampRunning() && s.channelBusy(3));
    s.abort();
    EXPECT_TRUE(!s.busy() && !s.nextDue() && !s.due(t0 + 1h));
}

}  // namespace
}  // namespace kteval::sequence
