#include "firmware_search.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "board_link.h"

namespace kteval {

namespace {

bool absolute(const char* directory) {
    return directory != nullptr && directory[0] == '/';
}

std::string withoutTrailingSlashes(std::string_view directory) {
    while (directory.size() > 1 && directory.back() == '/') directory.remove_suffix(1);
    return std::string(directory);
}

void addOnce(std::vector<std::string>& list, std::string entry) {
    if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(std::move(entry));
}

}  // namespace

FirmwarePlaces firmwarePlaces(std::string programDirectory, std::string overrideFile,
                              const char* xdgDataHome, const char* home, const char* xdgDataDirs) {
    FirmwarePlaces places{std::move(overrideFile), std::move(programDirectory), {}};
    if (absolute(xdgDataHome)) {
        addOnce(places.dataDirectories, withoutTrailingSlashes(xdgDataHome));
    } else if (absolute(home)) {
        addOnce(places.dataDirectories, withoutTrailingSlashes(home) + "/.local/share");
    }
    const std::string_view dirs = xdgDataDirs != nullptr && xdgDataDirs[0] != '\0'
                                      ? std::string_view(xdgDataDirs)
                                      : std::string_view("/usr/local/share:/usr/share");
    std::size_t pos = 0;
    while (pos <= dirs.size()) {
        const std::size_t colon = std::min(dirs.find(':', pos), dirs.size());
        const std::string_view entry = dirs.substr(pos, colon - pos);
        if (!entry.empty() && entry.front() == '/') {
            addOnce(places.dataDirectories, withoutTrailingSlashes(entry));
        }
        pos = colon + 1;
    }
    return places;
}

FirmwarePlaces firmwarePlacesFromEnvironment(std::string programDirectory,
                                             std::string overrideFile) {
    return firmwarePlaces(std::move(programDirectory), std::move(overrideFile),
                          std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                          std::getenv("XDG_DATA_DIRS"));
}

std::vector<std::string> firmwareCandidates(const FirmwarePlaces& places) {
    if (!places.overrideFile.empty()) return {places.overrideFile};
    std::vector<std::string> candidates;
    std::string own = places.programDirectory;
    own += static_cast<char>(std::filesystem::path::preferred_separator);
    own += BoardLink::kFirmwareFileName;
    candidates.push_back(std::move(own));
    for (const std::string& directory : places.dataDirectories) {
        addOnce(candidates, (directory == "/" ? std::string() : directory) + "/kteval/" +
                                BoardLink::kFirmwareFileName);
    }
    return candidates;
}

FirmwareChoice chooseFirmware(const FirmwarePlaces& places) {
    FirmwareChoice choice;
    choice.searched = firmwareCandidates(places);
    for (const std::string& candidate : choice.searched) {
        std::error_code error;
        const auto status = std::filesystem::status(candidate, error);
        if (!error && std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
            choice.path = candidate;
            choice.found = true;
            return choice;
        }
    }
    choice.path = choice.searched.front();
    return choice;
}

}  // namespace kteval
