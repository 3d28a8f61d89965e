#pragma once

#include <cstdio>
#include <iosfwd>
#include <string>
#include <string_view>

#include "part_catalogue.h"
#include "sent_action.h"

namespace kteval::remote {

// Appends every action it is told of to a file as its command line, so that
// the file replays the session as a setup. Each line is flushed. When a write
// fails, one line goes to errors and recording stops.
class SessionRecorder : public ActionListener {
  public:
    explicit SessionRecorder(std::ostream& errors);
    ~SessionRecorder() override;
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // Opens path for appending; false, with the reason in error, when it cannot.
    bool open(const std::string& path, std::string& error);
    // The comment header of a session (date and time, part, program version),
    // then the command that states the part.
    void begin(const PartInfo& part, std::string_view version);
    void actionSent(const SentAction& action) override;
    bool recording() const { return file_ != nullptr && part_ != nullptr; }

  private:
    void writeLine(const std::string& line);

    std::ostream& errors_;
    std::string path_;
    std::FILE* file_ = nullptr;
    const PartInfo* part_ = nullptr;
};

}  // namespace kteval::remote
