#include "board_check.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "board_link.h"
#include "libusb_board.h"
#include "load_advice.h"

namespace kteval {

namespace {

struct RuleFile {
    std::string path;
    std::string text;  // lower-cased
};

// Files whose name holds "kteval" and ends in ".rules". A folder reached
// twice (/lib is a link to /usr/lib on merged systems) is read once.
std::vector<RuleFile> findRuleFiles(const std::vector<std::string>& directories) {
    std::vector<RuleFile> files;
    std::vector<std::string> seen;
    for (const std::string& directory : directories) {
        std::error_code error;
        const bool readBefore = std::any_of(seen.begin(), seen.end(), [&](const std::string& s) {
            std::error_code ignored;
            return std::filesystem::equivalent(s, directory, ignored);
        });
        if (readBefore) continue;
        seen.push_back(directory);
        for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
            const std::string name = entry.path().filename().string();
            if (name.find("kteval") == std::string::npos || !name.ends_with(".rules")) continue;
            std::ifstream in(entry.path());
            std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            std::transform(text.begin(), text.end(), text.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            files.push_back({entry.path().string(), std::move(text)});
        }
    }
    return files;
}

// Whether a line of the rule file that is not a comment matches id.
bool covers(const RuleFile& file, UsbId id) {
    const std::string ids = toString(id);
    const std::string vendor = "attr{idvendor}==\"" + ids.substr(0, 4) + "\"";
    const std::string product = "attr{idproduct}==\"" + ids.substr(5) + "\"";
    std::size_t pos = 0;
    while (pos < file.text.size()) {
        const std::size_t end = std::min(file.text.find('\n', pos), file.text.size());
        const std::string line = file.text.substr(pos, end - pos);
        const std::size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] != '#' &&
            line.find(vendor) != std::string::npos && line.find(product) != std::string::npos) {
            return true;
        }
        pos = end + 1;
    }
    return false;
}

std::string firmwareSection(const FirmwarePlaces& places, bool& ok) {
    const FirmwareChoice choice = chooseFirmware(places);
    std::string text = "Firmware image\n";
    ok = false;
    if (!choice.found) {
        text += "  not found; looked for:\n";
        for (const std::string& place : choice.searched) text += "    " + place + "\n";
        return text + "  Put the board maker's " + BoardLink::kFirmwareFileName +
               " in one of these places, or start kteval with --firmware FILE.\n";
    }
    const FirmwareFile file = readFirmwareFile(choice.path);
    if (file.code != 0) return text + "  found but not usable: " + file.message + "\n";
    ok = true;
    return text + "  " + choice.path + " (Intel HEX, " + std::to_string(file.bytes()) + " bytes)\n";
}

// What --check sees of one board, opening it and claiming its interface for
// a moment (a claim refused as busy: another program holds it).
struct BoardState {
    UsbDeviceInfo board;
    UsbStatus status = UsbStatus::NotFound;  // of opening it
    bool held = false;
};

BoardState lookAt(UsbTransport& transport, const UsbDeviceInfo& board) {
    BoardState state{board};
    UsbOpenResult opened = transport.open(board);
    state.status = opened.status;
    if (opened.device) state.held = opened.device->claimInterface0() == UsbStatus::Busy;
    return state;
}

// "04b4:4421 on bus 1 port 2 (address 3), /dev/bus/usb/001/003: can be
// opened; firmware running; serial KT-7; free; --board KT-7"
std::string describeState(const BoardState& state) {
    const UsbDeviceInfo& board = state.board;
    std::string text = board.describe() + ", " + board.node() + ": ";
    if (state.status == UsbStatus::Ok) {
        text += "can be opened";
        if (::geteuid() == 0) text += " (you are root; other users may not)";
    } else {
        text += std::string("cannot be opened (") + toString(state.status) + ")";
    }
    text += board.id == kEzUsbLoaderId ? "; waiting for its firmware" : "; firmware running";
    if (!board.serial.empty()) text += "; serial " + board.serial;
    if (state.status == UsbStatus::Ok) text += state.held ? "; held by another program" : "; free";
    return text + "; --board " + board.boardId();
}

}  // namespace

std::vector<std::string> udevRuleDirectories(const std::string& installPrefix) {
    std::vector<std::string> directories{"/etc/udev/rules.d", "/run/udev/rules.d",
                                         "/lib/udev/rules.d", "/usr/lib/udev/rules.d"};
    if (!installPrefix.empty()) {
        std::string own = installPrefix;
        while (own.size() > 1 && own.back() == '/') own.pop_back();
        own += (own == "/" ? "" : "/") + std::string("lib/udev/rules.d");
        if (std::find(directories.begin(), directories.end(), own) == directories.end()) {
            directories.push_back(own);
        }
    }
    return directories;
}

BoardCheck checkBoard(UsbTransport& transport, const BoardCheckSetup& setup) {
    BoardCheck check;
    std::vector<std::string> problems;
    bool firmwareOk = false;
    check.report = firmwareSection(setup.firmware, firmwareOk);
    if (!firmwareOk) problems.push_back("no usable firmware image");

    std::string looking;
    for (const UsbId& id : setup.ids) looking += (looking.empty() ? "" : ", ") + toString(id);
    check.report += "\nUSB boards (looking for " + looking + ")\n";
    if (setup.idListError) {
        check.report += "  " + *setup.idListError + "\n";
        problems.push_back("KTEVAL_USB_IDS cannot be read");
    }
    const UsbDeviceList list = transport.listDevices();
    std::vector<UsbDeviceInfo> boards;  // with their serials once read
    for (const UsbDeviceInfo& device : list.devices) {
        if (std::find(setup.ids.begin(), setup.ids.end(), device.id) != setup.ids.end()) {
            boards.push_back(device);
        }
    }
    std::vector<UsbId> denied;
    if (list.status != UsbStatus::Ok) {
        check.report += std::string("  cannot list USB devices: ") + toString(list.status) + "\n";
        problems.push_back("no USB access");
    } else if (boards.empty()) {
        check.report += "  none found: plug the board in (check the cable and its power)\n";
        problems.push_back("no board");
    }
    const BoardState* chosen = nullptr;
    int named = 0;
    std::vector<BoardState> states;
    for (UsbDeviceInfo& board : boards) {
        transport.readSerial(board);
        states.push_back(lookAt(transport, board));
        check.report += "  " + describeState(states.back()) + "\n";
        if (states.back().status == UsbStatus::AccessDenied) denied.push_back(board.id);
    }
    for (const BoardState& state : states) {
        if (setup.board.empty() ? states.size() == 1 : state.board.namedBy(setup.board)) {
            chosen = &state;
            ++named;
        }
    }
    if (!setup.board.empty() && named == 0 && !boards.empty()) {
        check.report += "  board " + setup.board + " not found among these\n";
        problems.push_back("board " + setup.board + " not found");
    } else if (boards.size() > 1 && named != 1) {
        check.report += "  several boards: choose one with --board (as each line shows)\n";
        problems.push_back("several boards");
        chosen = nullptr;
    } else if (chosen != nullptr && chosen->status != UsbStatus::Ok) {
        problems.push_back("the board cannot be opened");
    } else if (chosen != nullptr && chosen->held) {
        problems.push_back("the board is held by another program");
    }

    check.report += "\nudev rule\n";
    const std::vector<RuleFile> rules = findRuleFiles(setup.ruleDirectories);
    std::vector<UsbId> uncovered = denied;
    for (const UsbDeviceInfo& board : boards) {
        bool covered = false;
        for (const RuleFile& rule : rules) covered = covered || covers(rule, board.id);
        if (!covered &&
            std::find(uncovered.begin(), uncovered.end(), board.id) == uncovered.end()) {
            uncovered.push_back(board.id);
        }
    }
    if (rules.empty()) {
        check.report += "  not installed; looked in:\n";
        for (const std::string& directory : setup.ruleDirectories) {
            check.report += "    " + directory + "\n";
        }
    }
    for (const RuleFile& rule : rules) check.report += "  installed: " + rule.path + "\n";
    if (!uncovered.empty()) {
        check.report += "  Add to " + std::string(kUdevRuleFile) + " (as root):\n";
        for (const UsbId& id : uncovered) check.report += "    " + udevRuleLine(id) + "\n";
        check.report +=
            "  then run: " + std::string(kUdevReloadCommand) + "\n  and plug the board in again.\n";
    }

    check.ready = problems.empty() && chosen != nullptr;
    check.report += "\nResult: ";
    if (check.ready) {
        check.report += "ready (" + chosen->board.describe() + ")\n";
    } else {
        std::string reasons;
        for (const std::string& problem : problems) {
            reasons += (reasons.empty() ? "" : "; ") + problem;
        }
        check.report += "not ready: " + reasons + "\n";
    }
    return check;
}

}  // namespace kteval
