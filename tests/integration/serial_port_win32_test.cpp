// The Win32 serial layer: the settings record as the real DCB, and the line
// contract on COM ports of wine's prefix that socat joins as a null modem.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/system_serial_port.h"
#include "platform/win32/dcb_win32.h"
#include "support/serial_port_contract.h"

namespace korvex {
namespace {

TEST(Win32Dcb, EachSettingReachesItsField) {
  struct Fields {
    DWORD binary, parity, cts, dsr, dtr, outx, inx, rts;
    BYTE byte_size, parity_kind, stop_bits;
    bool operator==(const Fields&) const = default;
  };
  struct Case {
    const char* what;
    std::uint32_t flags;
    std::uint8_t size, parity, stop;
    Fields want;
  };
  const std::vector<Case> cases{
      {"8N1", kDcbBinary, 8, 0, 0, {1, 0, 0, 0, 0, 0, 0, 0, 8, NOPARITY, ONESTOPBIT}},
      {"7O2 checked", kDcbBinary | kDcbParity, 7, 1, 2,
       {1, 1, 0, 0, 0, 0, 0, 0, 7, ODDPARITY, TWOSTOPBITS}},
      {"even", kDcbBinary, 8, 2, 0, {1, 0, 0, 0, 0, 0, 0, 0, 8, EVENPARITY, ONESTOPBIT}},
      {"mark", kDcbBinary, 8, 3, 0, {1, 0, 0, 0, 0, 0, 0, 0, 8, MARKPARITY, ONESTOPBIT}},
      {"space", kDcbBinary, 8, 4, 0, {1, 0, 0, 0, 0, 0, 0, 0, 8, SPACEPARITY, ONESTOPBIT}},
      {"RTS/CTS", kDcbBinary | kDcbOutxCtsFlow | kDcbRtsHandshake, 8, 0, 0,
       {1, 0, 1, 0, 0, 0, 0, RTS_CONTROL_HANDSHAKE, 8, NOPARITY, ONESTOPBIT}},
      {"DTR/DSR", kDcbBinary | kDcbOutxDsrFlow | kDcbDtrHandshake, 8, 0, 0,
       {1, 0, 0, 1, DTR_CONTROL_HANDSHAKE, 0, 0, 0, 8, NOPARITY, ONESTOPBIT}},
      {"XON/XOFF", kDcbBinary | kDcbOutX | kDcbInX, 8, 0, 0,
       {1, 0, 0, 0, 0, 1, 1, 0, 8, NOPARITY, ONESTOPBIT}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DCB dcb =
        Win32Dcb({28, 19200, c.flags, 341, 342, c.size, c.parity, c.stop, 0x11, 0x13, '?', 0, 0});
    const Fields got{dcb.fBinary,      dcb.fParity, dcb.fOutxCtsFlow, dcb.fOutxDsrFlow,
                     dcb.fDtrControl,  dcb.fOutX,   dcb.fInX,         dcb.fRtsControl,
                     dcb.ByteSize,     dcb.Parity,  dcb.StopBits};
    EXPECT_TRUE(got == c.want);
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.XonLim, 341);
    EXPECT_EQ(dcb.XoffLim, 342);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.fDsrSensitivity + dcb.fTXContinueOnXoff + dcb.fErrorChar + dcb.fNull +
                  dcb.fAbortOnError,
              0u)
        << "no other behaviour is asked for";
  }
}

// Two COM ports of the wine prefix joined by socat through two
// pseudo-terminals; the far one is the test's end, read and written plainly.
// Killing socat makes the device vanish.
class NullModemRig : public SerialRig {
 public:
  NullModemRig() : port_(next_port_ += 2) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix) return;
    const std::string dosdevices = std::string(prefix) + "/dosdevices/com";
    pid_file_ = dosdevices + std::to_string(port_) + ".socat";
    const auto end = [&dosdevices](int port) {
      return "pty,raw,echo=0,link=" + dosdevices + std::to_string(port);
    };
    // Its output goes nowhere: a Unix child would otherwise hold the test's
    // output open. The outer bound ends it should the test not.
    RunUnix("echo $$ >" + pid_file_ + "; exec /usr/bin/timeout 120 /usr/bin/socat " + end(port_) +
            " " + end(port_ + 1) + " </dev/null >/dev/null 2>&1");
    const std::string far_end = ComDevice(port_ + 1);
    for (int tries = 0; tries < 200 && far_ == INVALID_HANDLE_VALUE; ++tries) {
      far_ = CreateFileA(far_end.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
      if (far_ == INVALID_HANDLE_VALUE) Sleep(50);
    }
    // A read returns what has come, or waits up to 100 ms for the first byte.
    COMMTIMEOUTS timeouts{MAXDWORD, MAXDWORD, 100, 0, 0};
    SetCommTimeouts(far_, &timeouts);
  }
  ~NullModemRig() override {
    Vanish();
    if (far_ != INVALID_HANDLE_VALUE) CloseHandle(far_);
  }

  std::unique_ptr<SerialPortLayer> MakeLayer() override {
    return std::make_unique<SystemSerialPort>();
  }
  int Port() const override { return port_; }
  int MissingPort() const override { return 199; }
  Errors Codes() const override {
    return {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE, ERROR_TIMEOUT};
  }
  void Send(const std::string& bytes) override {
    DWORD written = 0;
    WriteFile(far_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  std::string Receive(std::size_t count) override {
    std::string got;
    char chunk[4096];
    for (int idle = 0; idle < 30 && got.size() < count;) {
      DWORD n = 0;
      const DWORD want = static_cast<DWORD>(std::min(sizeof chunk, count - got.size()));
      if (!ReadFile(far_, chunk, want, &n, nullptr)) break;
      got.append(chunk, n);
      idle = n == 0 ? idle + 1 : 0;
    }
    return got;
  }
  void Vanish() override {
    RunUnix("kill $(cat " + pid_file_ + " 2>/dev/null) 2>/dev/null; rm -f " + pid_file_);
    // The kill runs on its own; the line is gone once the far end fails.
    for (int tries = 0; tries < 100; ++tries) {
      DWORD errors = 0;
      if (!ClearCommError(far_, &errors, nullptr)) return;
      Sleep(50);
    }
  }
  // Nothing shows from outside that a thread waits; a wait not yet begun
  // would miss what follows and hang the test, not pass it.
  bool AwaitInWait() override {
    Sleep(300);
    return true;
  }

 private:
  // Starts a Unix shell command; wine gives no handle to wait on.
  static void RunUnix(const std::string& script) {
    std::string command = "/bin/sh -c \"" + script + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   &process);
  }

  static inline int next_port_ = 18;
  int port_;
  std::string pid_file_;
  HANDLE far_ = INVALID_HANDLE_VALUE;
};

INSTANTIATE_TEST_SUITE_P(NullModem, SerialPortContract,
                         ::testing::Values(SerialRigFactory{"null modem", [] {
                           return std::unique_ptr<SerialRig>(std::make_unique<NullModemRig>());
                         }}));

}  // namespace
}  // namespace korvex
