#include "protocol/service_commands.h"

#include <string_view>

namespace korvex {
namespace {

constexpr int kAttempts = 3;
constexpr std::string_view kReadCommand = "Qq";
constexpr std::string_view kReadAnswer = "Qx";
constexpr std::string_view kWriteCommand = "QQ";
constexpr std::string_view kWriteAnswer = "QX";
constexpr std::string_view kFirmwareCode{"\x00\x00\x02", 3};
constexpr std::string_view kProjectChecksumCode{"\xA4\x01\xA2", 3};
constexpr std::string_view kChecksumWriteCode{"\x00\x00\x03", 3};
constexpr std::string_view kCanSwitchCode{"\x00\x00\x0C", 3};
constexpr std::uint32_t kCanStart = 2;
constexpr std::uint32_t kCanStop = 1;

std::string WriteRecord(std::string_view code, std::uint32_t value) {
  std::string record(code);
  for (int shift = 0; shift < 32; shift += 8) record += static_cast<char>(value >> shift & 0xFF);
  return record;
}

bool ReadItem(TVardosLink& link, std::string_view code, std::uint32_t& value) {
  std::string answer;
  if (!ServiceExchange(link, std::string(kReadCommand) + std::string(code), kReadAnswer, 4,
                       answer)) {
    return false;
  }
  std::uint32_t read = 0;
  for (int i = 3; i >= 0; --i) {
    read = read << 8 | static_cast<std::uint8_t>(answer[kReadAnswer.size() + i]);
  }
  value = read;
  return true;
}

}  // namespace

bool ServiceExchange(TVardosLink& link, std::string_view request, std::string_view prefix,
                     std::size_t value_bytes, std::string& answer) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string received;
    if (link.Transaction(request, received) && received.starts_with(prefix) &&
        received.size() >= prefix.size() + value_bytes) {
      answer = std::move(received);
      return true;
    }
  }
  return false;
}

bool GetFirmWare(TVardosLink& link, std::uint32_t& value) {
  return ReadItem(link, kFirmwareCode, value);
}

bool GetCRC(TVardosLink& link, std::uint32_t& value) {
  return ReadItem(link, kProjectChecksumCode, value);
}

bool SetCRC(TVardosLink& link, std::uint32_t value) {
  std::string answer;
  return ServiceExchange(link, std::string(kWriteCommand) + WriteRecord(kChecksumWriteCode, value),
                         kWriteAnswer, 0, answer);
}

std::string CanSwitchRecord(bool on) {
  return WriteRecord(kCanSwitchCode, on ? kCanStart : kCanStop);
}

}  // namespace korvex
