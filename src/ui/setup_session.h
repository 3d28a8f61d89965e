#pragma once

#include <string>
#include <vector>

#include "setup_file.h"

namespace kteval::ui {

class FrmMain;
class WindowOperations;

// Applies the command lines of a setup file to the started window the way a
// remote client's lines run, after checking all of them. The first rejected
// line stops the setup and is told in a box through the window's prompt,
// naming the file, the line number, the command, the error and how many lines
// were applied (none when the check rejected it). True when every line ran.
bool applySetup(FrmMain& window, WindowOperations& operations, const std::string& path,
                const std::vector<remote::SetupLine>& lines);

}  // namespace kteval::ui
