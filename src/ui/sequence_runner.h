#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

#include "sequencer.h"

namespace kteval::ui {

class FrmMain;

// Runs the window's ramps and lists on its event thread: a precise timer
// wakes shortly before each step is due, the last part is waited out, and
// the step goes to the board through the window. The window's labels follow
// the model ten times a second while a sequence runs, not at every step.
class SequenceRunner : public QObject {
  public:
    explicit SequenceRunner(FrmMain& window);

    sequence::Sequencer& sequencer() { return sequencer_; }
    // A ramp or list started, was triggered or aborted.
    void reschedule();
    // Called once every ramp and list has ended (clients waiting in *OPC?).
    void setIdleListener(std::function<void()> listener) { idle_ = std::move(listener); }
    // Each list step's scheduled time and the time of its LDAC pulse.
    using Pulse = std::pair<sequence::Clock::time_point, sequence::Clock::time_point>;
    const std::vector<Pulse>& listPulses() const { return pulses_; }

  private:
    void fire();
    // How long before a step's pulse its words start.
    std::chrono::nanoseconds lead() const;

    FrmMain& window_;
    sequence::Sequencer sequencer_;
    QTimer timer_;
    QTimer display_;
    std::function<void()> idle_;
    std::vector<Pulse> pulses_;
};

}  // namespace kteval::ui
