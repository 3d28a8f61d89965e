#include "calibration_store.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "output_voltage.h"
#include "part_rules.h"

namespace kteval::measure {

namespace {

constexpr std::string_view kHeader =
    "channel,m,c,trim,gain_before,offset_before_volts,gain_after,offset_after_volts";

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> result;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) result.push_back(field);
    return result;
}

template <typename T>
bool number(const std::string& text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string calibrationPath(std::string_view board) {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path base =
        dataHome != nullptr && *dataHome == '/'
            ? std::filesystem::path(dataHome)
            : std::filesystem::path(home != nullptr ? home : ".") / ".local/share";
    return (base / "kteval/calibration" / (std::string(board) + ".csv")).string();
}

const ChannelCalibration* CalibrationStore::find(int channelIndex) const {
    const auto found = channels_.find(channelIndex);
    return found == channels_.end() ? nullptr : &found->second;
}

bool CalibrationStore::record(const PartInfo& part, const ChannelCalibration& calibration,
                              std::string& error) {
    channels_[calibration.channelIndex] = calibration;
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), made);
    std::ofstream file(path_, std::ios::trunc);
    file << "# kteval calibration, " << part.name << '\n' << kHeader << '\n';
    for (const auto& [index, c] : channels_) {
        const bool full = c.trim.gainReached && c.trim.offsetReached;
        file << channelNumberOfIndex(&part, index) << ',' << c.trim.m << ',' << c.trim.c << ','
             << (full ? "full" : "partial") << ',' << formatExact(c.before.gain) << ','
             << formatExact(c.before.offsetVolts) << ',' << formatExact(c.after.gain) << ','
             << formatExact(c.after.offsetVolts) << '\n';
    }
    file.close();
    if (!file) error = "cannot write the calibration " + path_;
    return static_cast<bool>(file);
}

std::string CalibrationStore::apply(remote::Operations& ops) {
    std::ifstream file(path_);
    if (!file) return "no calibration of this board in " + path_;
    const PartInfo& part = *ops.module().part();
    std::string line;
    std::getline(file, line);
    if (line != "# kteval calibration, " + std::string(part.name)) {
        return path_ + " is not a calibration of a " + std::string(part.name);
    }
    std::getline(file, line);
    const auto largest = static_cast<int32_t>(largestRegisterCode(part.bits));
    while (std::getline(file, line)) {
        const std::vector<std::string> f = fields(line);
        ChannelCalibration c;
        int number = 0;
        if (f.size() != 8 || !measure::number(f[0], number) || number < 0 ||
            number > largestChannelNumber(part) || !measure::number(f[1], c.trim.m) ||
            !measure::number(f[2], c.trim.c) || c.trim.m < 0 || c.trim.m > largest ||
            c.trim.c < 0 || c.trim.c > largest || !measure::number(f[4], c.before.gain) ||
            !measure::number(f[5], c.before.offsetVolts) || !measure::number(f[6], c.after.gain) ||
            !measure::number(f[7], c.after.offsetVolts)) {
            return path_ + ": cannot read '" + line + "'";
        }
        c.channelIndex = indexOfChannelNumber(&part, number);
        c.trim.gainReached = c.trim.offsetReached = f[3] == "full";
        c.ideal = channelTransfer(ops, c.channelIndex);
        if (ops.writeChannelRegister(c.channelIndex, remote::Register::M, uint32_t(c.trim.m)) !=
                remote::Outcome::Done ||
            ops.writeChannelRegister(c.channelIndex, remote::Register::C, uint32_t(c.trim.c)) !=
                remote::Outcome::Done) {
            return "DAC" + f[0] + ": the window refused the trim";
        }
        channels_[c.channelIndex] = c;
    }
    return {};
}

}  // namespace kteval::measure
