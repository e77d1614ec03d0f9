// The Win32 serial layer: the settings record as the real DCB, and the line
// contract on COM ports of wine's prefix that socat joins as a null modem.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/win32/serial_port_win32.h"
#include "platform/win32/win32_dcb.h"
#include "support/serial_port_contract.h"

namespace korvex {
namespace {

TEST(ComDevice, EveryPortNumberHasItsDeviceName) {
  EXPECT_EQ(ComDevice(1), "\\\\.\\COM1");
  EXPECT_EQ(ComDevice(10), "\\\\.\\COM10");
  EXPECT_EQ(ComDevice(255), "\\\\.\\COM255");
  EXPECT_EQ(ComDevice(0), "");
}

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
    EXPECT_TRUE(got == c.want)
        << "binary " << got.binary << " parity " << got.parity << " cts " << got.cts << " dsr "
        << got.dsr << " dtr " << got.dtr << " outx " << got.outx << " inx " << got.inx << " rts "
        << got.rts << " size " << int(got.byte_size) << " kind " << int(got.parity_kind)
        << " stop " << int(got.stop_bits);
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
// pseudo-terminals; the far one is the test's end. socat ends after a few
// idle seconds, which is also how the device vanishes.
class NullModemRig : public SerialRig {
 public:
  static constexpr int kIdleSeconds = 3;

  NullModemRig() : port_(next_port_ += 2) {
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix) return;
    const auto link = [prefix](int port) {
      return "pty,raw,echo=0,link=" + std::string(prefix) + "/dosdevices/com" +
             std::to_string(port);
    };
    // Its output goes nowhere: a Unix child would otherwise hold the test's
    // output open. A write left blocked keeps it from idling out; the outer
    // bound ends it then.
    std::string command = "/bin/sh -c \"exec /usr/bin/timeout 120 /usr/bin/socat -T " +
                          std::to_string(kIdleSeconds) + " " + link(port_) + " " +
                          link(port_ + 1) + " </dev/null >/dev/null 2>&1\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return;
    }
    // A Unix process has no Windows handles to close.
    for (int tries = 0; tries < 200 && far_handle_ == kNoPort; ++tries) {
      far_handle_ = far_.Open(port_ + 1);
      if (far_handle_ == kNoPort) Sleep(50);
    }
    far_.SetCommTimeouts(far_handle_, {MAXDWORD, 0, 0, 0, 0});
  }
  ~NullModemRig() override { far_.CloseHandle(far_handle_); }

  std::unique_ptr<SerialPortLayer> MakeLayer() override {
    return std::make_unique<Win32SerialPort>();
  }
  int Port() const override { return port_; }
  int MissingPort() const override { return 199; }
  Errors Codes() const override {
    return {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_INVALID_HANDLE, ERROR_TIMEOUT};
  }
  void Send(const std::string& bytes) override { far_.WriteFile(far_handle_, bytes, 1000); }
  std::string Receive(std::size_t count) override {
    std::string got;
    for (int idle = 0; idle < 300 && got.size() < count;) {
      std::uint8_t byte = 0;
      if (far_.ReadByte(far_handle_, byte) == 1) {
        got += static_cast<char>(byte);
      } else {
        ++idle;
        Sleep(10);
      }
    }
    return got;
  }
  void Vanish() override { Sleep((kIdleSeconds + 1) * 1000); }
  // Nothing shows from outside that a thread waits; a wait not yet begun
  // would miss what follows and hang the test, not pass it.
  bool AwaitInWait() override {
    Sleep(300);
    return true;
  }

 private:
  static inline int next_port_ = 18;
  int port_;
  Win32SerialPort far_;
  PortHandle far_handle_ = kNoPort;
};

INSTANTIATE_TEST_SUITE_P(NullModem, SerialPortContract,
                         ::testing::Values(SerialRigFactory{"null modem", [] {
                           return std::unique_ptr<SerialRig>(std::make_unique<NullModemRig>());
                         }}));

}  // namespace
}  // namespace korvex
