// Link settings as the configuration hands them to the engine.
#pragma once

#include <cstdint>
#include <string>

namespace korvex {

struct TLinkSetup {
  std::int32_t Port = 1;  // COM port number
  std::int32_t Baudrate = 38400;
  std::int32_t Address = 1;        // controller address, 0 to 255
  std::int32_t Retranslation = 1;  // relay address, 0 to 255
  double Timeout = 3.0;            // answer time-out in seconds
  bool Modem = false;
  bool RS485 = false;
};

struct TTCPsetup {
  bool Active = false;  // the link is TCP/IP
  std::string Host = "127.0.0.1";
  std::uint32_t Port = 1998;
};

struct TModemMessage {
  std::string Command;
  std::string Answer;
  double Timeout = 0.0;
};

// Held by the engine for dial-up lines; nothing sends these yet.
struct TModemSetup {
  TModemMessage InitMessage{"ATX3|", "|@OK|@", 3.0};
  TModemMessage HangUpMessage{"~+++~ATH0|", "|@OK|@", 5.0};
  TModemMessage DialMessage{"ATDT|", "CONNECT", 60.0};
};

}  // namespace korvex
