#include "usb_id_cache.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kteval {

namespace {

bool usable(const char* directory) {
    return directory != nullptr && directory[0] == '/';
}

}  // namespace

std::string UsbIdCache::defaultPath(const char* xdgCacheHome, const char* home) {
    if (usable(xdgCacheHome)) return std::string(xdgCacheHome) + "/kteval/usb-ids";
    if (usable(home)) return std::string(home) + "/.cache/kteval/usb-ids";
    return {};
}

std::string UsbIdCache::pathFromEnvironment() {
    return defaultPath(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

std::vector<UsbId> UsbIdCache::read() const {
    std::vector<UsbId> ids;
    if (path_.empty()) return ids;
    std::ifstream in(path_, std::ios::binary);
    std::string text(kMaxFileSize, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    std::size_t pos = 0;
    while (pos < text.size() && ids.size() < kMaxEntries) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const UsbIdList line = parseUsbIds(std::string_view(text).substr(pos, end - pos));
        if (line.ok() && line.ids.size() == 1 &&
            std::find(ids.begin(), ids.end(), line.ids.front()) == ids.end()) {
            ids.push_back(line.ids.front());
        }
        pos = end + 1;
    }
    return ids;
}

bool UsbIdCache::remember(UsbId id) const {
    if (path_.empty()) return false;
    std::vector<UsbId> ids = read();
    if (!ids.empty() && ids.front() == id) return true;
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    ids.insert(ids.begin(), id);
    if (ids.size() > kMaxEntries) ids.resize(kMaxEntries);

    // Written beside the file and renamed over it, so a reader never sees
    // half a file.
    std::error_code error;
    const std::filesystem::path file(path_);
    std::filesystem::create_directories(file.parent_path(), error);
    const std::string temporary = path_ + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const UsbId& kept : ids) out << toString(kept) << '\n';
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, file, error);
    if (!error) return true;
    std::filesystem::remove(temporary, error);
    return false;
}

}  // namespace kteval
