#include "sequence_runner.h"

#include <thread>

#include "frm_main.h"

namespace kteval::ui {

namespace {

// The timer wakes this early; the step's own time is waited out after it.
constexpr auto kWakeEarly = std::chrono::milliseconds(2);

}  // namespace

SequenceRunner::SequenceRunner(FrmMain& window) : window_(window) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SequenceRunner::fire);
    display_.setInterval(100);
    connect(&display_, &QTimer::timeout, &window_, &FrmMain::showSequenceState);
    window_.setResetListener([this] {
        sequencer_.abort();
        reschedule();
    });
}

void SequenceRunner::reschedule() {
    const std::optional<sequence::Clock::time_point> next = sequencer_.nextDue();
    if (!next) {
        timer_.stop();
        if (display_.isActive()) {
            display_.stop();
            window_.showSequenceState();
        }
        // After the command or step in progress: a waiting client's line may
        // go on only once the one that ended the sequence has.
        if (!sequencer_.busy() && idle_) QTimer::singleShot(0, this, [this] { idle_(); });
        return;
    }
    if (sequencer_.listRunning() && sequencer_.listSchedule().empty()) pulses_.clear();
    if (!display_.isActive()) display_.start();
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        *next - sequence::Clock::now() - kWakeEarly - lead());
    timer_.start(std::max(std::chrono::milliseconds(0), wait));
}

std::chrono::nanoseconds SequenceRunner::lead() const {
    return window_.link().requestTime() * static_cast<int64_t>(sequencer_.stepWidth());
}

void SequenceRunner::fire() {
    if (const auto next = sequencer_.nextDue()) {
        // Woken early on purpose: the step's words go out so that its pulse
        // falls on its time, the rest is waited out.
        const auto wordsFrom = *next - lead();
        if (wordsFrom - sequence::Clock::now() > kWakeEarly + std::chrono::milliseconds(1)) {
            reschedule();
            return;
        }
        std::this_thread::sleep_until(wordsFrom);
        const std::size_t listSteps = sequencer_.listSchedule().size();
        if (const std::optional<sequence::Step> step = sequencer_.due(*next)) {
            const auto pulse = window_.sequenceStep(step->codes, *next);
            if (sequencer_.listSchedule().size() > listSteps) {
                pulses_.emplace_back(sequencer_.listSchedule().back(), pulse);
            }
        }
    }
    reschedule();
}

}  // namespace kteval::ui
