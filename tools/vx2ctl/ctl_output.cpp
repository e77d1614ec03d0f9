#include "ctl_output.h"

#include <cstdio>

#include "item_text.h"
#include "shell/text_helpers.h"

namespace vx2::ctl {

std::string ItemLine(const ItemValue& item) {
  char value[40];
  std::snprintf(value, sizeof value, " = 0x%08X (%u)", static_cast<unsigned>(item.value),
                static_cast<unsigned>(item.value));
  return ItemCodeText(item.code) + value;
}

std::string FirmwareLine(std::uint32_t firmware) {
  return std::to_string(firmware) + " (" + korvex::FirmwareText(firmware) + ")";
}

std::string ChecksumLine(std::uint32_t checksum) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(checksum));
  return text;
}

}  // namespace vx2::ctl
