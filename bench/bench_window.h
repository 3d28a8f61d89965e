#pragma once

#include "frm_main.h"
#include "prompt.h"
#include "simulated_board.h"

// Benchmarks drive the window without anybody to close a box: every box and
// the credits window are dropped.
class SilentPrompt : public kteval::ui::Prompt {
  public:
    void message(const QString&, const QString&, Icon) override {}
    void openCredits() override {}
};

// The main window for KT4421 over the simulated board, loaded and shown.
struct BenchWindow {
    kteval::SimulatedBoard board;
    SilentPrompt prompt;
    kteval::ui::FixedPartChooser chooser{5};  // KT4421
    kteval::ui::FrmMain window{board, prompt, chooser};

    BenchWindow() {
        window.setPartListener([this](const kteval::PartInfo& part) { board.setPart(part); });
        window.Form_Load();
        window.show();
    }
};
