#pragma once

#include <string>

#include "network_identity.h"

namespace kteval::network {

// The read-only status page (/): the instrument's identity, then the part,
// the board, the connected clients and every channel's registers and output
// voltage, which its script reads from /status.json twice a second while the
// page is open. No framework: one document with its style and script inline,
// in the look of the main window (its grey window, white framed value boxes,
// bold captions, codes in hex).
std::string statusPageHtml(const NetworkIdentity& identity);

}  // namespace kteval::network
