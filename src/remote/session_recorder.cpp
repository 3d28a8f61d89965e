#include "session_recorder.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <ostream>

namespace kteval::remote {

SessionRecorder::SessionRecorder(std::ostream& errors) : errors_(errors) {}

SessionRecorder::~SessionRecorder() {
    if (file_ != nullptr) std::fclose(file_);
}

bool SessionRecorder::open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "a");
    if (file_ == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

void SessionRecorder::begin(const PartInfo& part, std::string_view version) {
    part_ = &part;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    writeLine(std::string("# kteval ") + std::string(version) + " session of " + date + ", " +
              std::string(part.name));
    // A recording replays only on the part it was made on.
    writeLine(partCommand(part));
}

void SessionRecorder::actionSent(const SentAction& action) {
    if (part_ != nullptr) writeLine(commandLine(action, *part_));
}

void SessionRecorder::writeLine(const std::string& line) {
    if (file_ == nullptr) return;
    if (std::fprintf(file_, "%s\n", line.c_str()) < 0 || std::fflush(file_) != 0) {
        errors_ << "kteval: recording to " << path_ << " stopped: " << std::strerror(errno) << '\n';
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace kteval::remote
