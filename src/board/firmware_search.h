#pragma once

#include <string>
#include <vector>

namespace kteval {

// Where the firmware image is looked for, in this order: the program's own
// folder, then the kteval/ folder of each XDG data directory. A file given
// on the command line replaces them all.
struct FirmwarePlaces {
    std::string overrideFile;                  // --firmware FILE; the only place when set
    std::string programDirectory;              // the executable's folder
    std::vector<std::string> dataDirectories;  // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};

// The places for a program in programDirectory, from the XDG variables as
// given (nullptr when unset): XDG_DATA_HOME, or ~/.local/share when it is
// unset, empty or relative; then each absolute entry of XDG_DATA_DIRS, or
// /usr/local/share and /usr/share when it is unset or empty.
FirmwarePlaces firmwarePlaces(std::string programDirectory, std::string overrideFile,
                              const char* xdgDataHome, const char* home, const char* xdgDataDirs);
FirmwarePlaces firmwarePlacesFromEnvironment(std::string programDirectory,
                                             std::string overrideFile = {});

// Every file looked at, in order: programDirectory + separator + the file
// name (the separator is always added), then dataDirectory/kteval/file name.
std::vector<std::string> firmwareCandidates(const FirmwarePlaces& places);

struct FirmwareChoice {
    std::string path;  // the first candidate that exists, else the first candidate
    bool found = false;
    std::vector<std::string> searched;  // every candidate, in order
};
FirmwareChoice chooseFirmware(const FirmwarePlaces& places);

}  // namespace kteval
