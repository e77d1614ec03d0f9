#include "ctl_output.h"

#include <cstdio>

#include "common/text_helpers.h"
#include "item_text.h"

namespace vx2::ctl {

std::string FirmwareLine(std::uint32_t firmware) {
  return std::to_string(firmware) + " (" + korvex::FirmwareText(firmware) + ")";
}

std::string ChecksumLine(std::uint32_t checksum) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(checksum));
  return text;
}

}  // namespace vx2::ctl
