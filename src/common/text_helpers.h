// Texts the log shows for numbers the controller reports: hex digits and
// dumps, firmware numbers and firmware-window version numbers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

// Marks a firmware number that could not be had.
inline constexpr std::uint32_t NoFirmware = 0xBEBEBEBE;

char HexDigit(unsigned value);
// The value of the hex digit `c`, of either case; -1 for any other character.
int HexDigitValue(char c);
std::string ByteToHex(std::uint8_t byte);
// Two hex digits and a blank per byte, cut to 255 characters.
std::string HexDump(std::string_view bytes);

struct FirmwareDate {
  std::uint16_t day = 0;
  std::uint16_t month = 0;
  std::uint16_t year = 0;
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
};

std::string FirmwareText(std::uint32_t firmware);
// Splits `firmware` into `date` and says whether it is invalid. For NoFirmware
// `date` is left as it was.
bool DecodeFirmware(std::uint32_t firmware, FirmwareDate& date);
std::string VersionText(std::uint16_t version);

}  // namespace korvex
