// What vx2ctl prints on standard output: one line per result.
#pragma once

#include <cstdint>
#include <string>

#include "item_bytes.h"
#include "item_text.h"

namespace vx2::ctl {

// "111054046 (1.11.2005 v.4.046)"
std::string FirmwareLine(std::uint32_t firmware);
// Upper-case hex without leading zeros, as the communicator logs checksums.
std::string ChecksumLine(std::uint32_t checksum);

}  // namespace vx2::ctl
