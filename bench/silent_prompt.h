#pragma once

#include "prompt.h"

// Benchmarks drive the window without anybody to close a box: every box and
// the credits window are dropped.
class SilentPrompt : public kteval::ui::Prompt {
  public:
    void message(const QString&, const QString&, Icon) override {}
    void openCredits() override {}
};
