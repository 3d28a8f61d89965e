#pragma once

#include <QMainWindow>
#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "board_link.h"
#include "channel_limits.h"
#include "kt442x_module.h"
#include "main_controls.h"
#include "prompt.h"
#include "sent_action.h"
#include "spi_port.h"

namespace kteval {
class USBFunctions;
}

namespace kteval::ui {

// The application's title, used where a message box has no title of its own.
inline constexpr const char* kApplicationTitle = "kteval";

// The main window: owns the module state and the board link, and holds every
// control's event handler under the control's own name.
class FrmMain : public QMainWindow {
  public:
    FrmMain(USBFunctions& usb, Prompt& prompt, PartChooser& chooser, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Called after a part's setup operation (the simulated board follows the part).
    void setPartListener(std::function<void(const PartInfo&)> listener) {
        partListener_ = std::move(listener);
    }
    // Where the firmware image is looked for; the executable's folder by default.
    void setFirmwareDirectory(const QString& directory);
    // All the places, searched anew at every load (the program wires these).
    void setFirmwarePlaces(FirmwarePlaces places) { firmwarePlaces_ = std::move(places); }
    // Gives the detailed text of "No Evaluation Board Found" for a load
    // result and the firmware search; without it the box has no details.
    using LoadAdvice = std::function<std::string(int16_t code, const FirmwareChoice& firmware)>;
    void setLoadAdvice(LoadAdvice advice) { loadAdvice_ = std::move(advice); }

    // Told of every action that reaches the board (a recording); nullptr: none.
    // A reference entry's new value is told too (it sends nothing, but changes
    // every voltage): when it is entered or left, and before the next action.
    void setActionListener(remote::ActionListener* listener) { actionListener_ = listener; }
    // Tells the listener of every reference entry whose value changed since it
    // was last told.
    void reportReferenceChanges();
    // The level a control line was last set to (HIGH after start-up, "Reload
    // USB", and for RESET after "Pulse RESET").
    bool lineHigh(remote::Line line) const { return lineHigh_[static_cast<std::size_t>(line)]; }

    // The channels' output limits: every handler that moves an output refuses
    // to drive one outside them. Setting them sends nothing; the listener is
    // told of each bound that changed.
    const ChannelLimits& limits() const { return limits_; }
    void setLimits(int channelIndex, const VoltLimits& limits);

    const KT442xModule& module() const { return module_; }
    // The controls and the prompt, for driving the window as an operator does
    // (remote commands).
    MainControls& controls() { return c_; }
    GuardedPrompt& prompt() { return prompt_; }
    const BoardLink& link() const { return link_; }
    BoardLink& link() { return link_; }  // the remote self-test's read
    int16_t TextSelIndex() const { return textSelIndex_; }
    int16_t Secret() const { return secret_; }
    // Form_Load has run to its end.
    bool loaded() const { return loaded_; }

    // The handlers follow the window's tabs, one file each: frm_main.cpp
    // (lifecycle, part setup, credits), frm_main_tab_dacs.cpp,
    // frm_main_tab_offsets.cpp, frm_main_tab_signals.cpp and
    // frm_main_output.cpp (the output calculation and the voltage tab).

    // Start-up and lifecycle
    void Form_Load();
    void Init();
    void LoadUSB();
    void mnuReload_Click();
    void mnuVersion_Click();
    void mnuExit_Click();

    // Part setup operations (run by the part dialog's buttons)
    void cmdPART_Click(int Index);
    void Setup4410() { setupPart("KT4410"); }
    void Setup4411() { setupPart("KT4411"); }
    void Setup4412() { setupPart("KT4412"); }
    void Setup4413() { setupPart("KT4413"); }
    void setup4420() { setupPart("KT4420"); }
    void Setup4421() { setupPart("KT4421"); }
    void Setup4422() { setupPart("KT4422"); }
    void Setup4423() { setupPart("KT4423"); }

    // Credits: the three corner areas carry steps 1, 2 and 3.
    void Picture1_Click() { secretStep(1); }
    void Picture2_Click() { secretStep(2); }
    void Picture3_Click() { secretStep(3); }

    // Tab 0 "Main DACs": channel selection, input rows, register writes and
    // "Pulse LDAC"
    void chkDAC_Click(int Index);
    void optAB_Click(int Index);
    void DACoptMux2_Click(int Index);
    void InputSel_Click(int Index);
    void txtInput_KeyPress(int Index, int KeyAscii);
    void txtInput_LostFocus(int Index);
    void cmdX1A_Click();
    void cmdM_Click();
    void cmdC_Click();
    void cmdLDAC_Click();

    // Tab 1 "Offset DACs": offset DAC writes, monitor and GPIO
    void cmdOFFSET_Click(int Index);
    void txtOffsetValue_LostFocus(int Index);
    void cboDisable_Click();
    void cboMonChannel_Click();
    void chkGPIO_Click(int Index);
    void cmdGPIOread_Click();

    // Tab 2 "Signals & Direct Load": line levels, "Pulse RESET" and raw words
    void cmdRESET_Click(int Index);
    void mnuPulseReset_Click();
    void cmdDirectLoad_Click();
    void optTxtSelect_Click(int Index);
    void txtDirectLoad_LostFocus(int Index);

    // Output calculation: effective code, start values, reference entries and
    // the voltage table of tab 3 "Output Voltages"
    void UpdateOffset();
    void updateX2();
    void SSTab1_Click();
    void txtVREF_KeyPress(int Index, int KeyAscii);
    // Reference voltage k as the voltage table reads its entry.
    double referenceVolts(int k) const;
    // The voltage table's text of a channel number ("7.9995").
    std::string outputVoltageText(int channelNumber) const;

    // Ramps and lists: one step is each channel's code into its input
    // register A (the words "X >>" sends), then, at pulseAt, one LDAC pulse,
    // after which the model follows every channel. The labels are left alone:
    // showSequenceState() shows the model at a human rate. Answers the time
    // of the pulse.
    std::chrono::steady_clock::time_point sequenceStep(
        const std::vector<std::pair<int, int32_t>>& codes,
        std::chrono::steady_clock::time_point pulseAt);
    void showSequenceState();
    // Called by Init ("Pulse RESET", "Reload USB"): the chip is back at its
    // start, so a running ramp or list ends there.
    void setResetListener(std::function<void()> listener) { resetListener_ = std::move(listener); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void connectHandlers();
    void connectEntryHandlers();
    void setupPart(std::string_view name);
    void showChannelRegisters(int index);
    void showCaption();
    // Shows a refusal box; handlers ignore events while it is open.
    void refuse(const QString& text, const QString& title);
    bool refuseByCheckText(const std::string& text, int bitLength);
    bool refuseAboveCodeWidth(uint32_t value);
    // Store value into a register of the selected record, show it, recompute
    // the effective code and send the register word.
    enum class Register { X, M, C };
    void writeRegister(Register which);
    void secretStep(int step);
    void sendWord(int32_t word) { spi_.SPIout(word); }
    void report(const remote::SentAction& action);
    // The outputs as the voltage table computes them now.
    OutputState outputState() const;
    // Shows the "Limit" refusal box when after drives a channel outside its
    // limits (see limitBreach).
    bool refuseBeyondLimits(const OutputState& before, const OutputState& after);
    bool busyWithRefusal() const { return refusingEntry_; }

    GuardedPrompt prompt_;
    PartChooser& chooser_;
    KT442xModule module_;
    BoardLink link_;
    SpiPort spi_;
    MainControls c_;
    std::function<void(const PartInfo&)> partListener_;
    std::function<void()> resetListener_;
    FirmwarePlaces firmwarePlaces_;
    LoadAdvice loadAdvice_;
    remote::ActionListener* actionListener_ = nullptr;
    std::array<double, 3> reportedReferences_{};  // reference values the listener knows
    std::array<QString, 3> enteredReferences_{};  // the reference texts last entered
    ChannelLimits limits_;
    std::array<bool, 3> lineHigh_{true, true, true};  // RESET, CLR, LDAC
    int16_t textSelIndex_ = 0;
    int16_t secret_ = 0;
    bool refusingEntry_ = false;  // an entry's refusal box is open
    bool loaded_ = false;
};

}  // namespace kteval::ui
