#pragma once

#include <string>
#include <vector>

#include "usb_ids.h"

namespace kteval {

// The IDs board firmware showed after earlier loads, kept between runs so
// that a restarted kteval also finds a board that already runs its firmware
// under its own ID. One "vvvv:pppp" per line, most recent first. The cache is
// only a help: a missing, corrupt or unwritable file never fails a load.
class UsbIdCache {
  public:
    static constexpr std::size_t kMaxEntries = 8;
    static constexpr std::size_t kMaxFileSize = 4096;

    // An empty path keeps nothing.
    explicit UsbIdCache(std::string path = {}) : path_(std::move(path)) {}

    // $XDG_CACHE_HOME/kteval/usb-ids, or ~/.cache/kteval/usb-ids when
    // XDG_CACHE_HOME is unset, empty or relative; empty when neither is known.
    static std::string defaultPath(const char* xdgCacheHome, const char* home);
    static std::string pathFromEnvironment();

    const std::string& path() const { return path_; }

    // The IDs kept; lines that are not an ID are skipped.
    std::vector<UsbId> read() const;
    // Puts id first; false when the file cannot be written.
    bool remember(UsbId id) const;

  private:
    std::string path_;
};

}  // namespace kteval
