#pragma once

#include <string>
#include <vector>

#include "setup_file.h"

namespace kteval::ui {

class FrmMain;
class WindowOperations;

// Applies the command lines of a setup file to the started window the way a
// remote client's lines run. The first rejected line stops the setup and is
// told in a box through the window's prompt, naming the file, the line
// number, the command and the error. True when every line ran.
bool applySetup(FrmMain& window, WindowOperations& operations, const std::string& path,
                const std::vector<remote::SetupLine>& lines);

}  // namespace kteval::ui
