// The serial port component: one COM port with its complete line
// configuration. It writes byte strings with a wait scaled to the baud rate,
// hands out received bytes one at a time, reports the driver's queues, drives
// RTS and DTR, and turns port events into its events on the loop thread
// through its event thread. It knows nothing of the controller protocol.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/event_loop.h"
#include "platform/serial_port.h"

namespace korvex {

class TEventThread;

enum class eParity : std::uint8_t { paNone, PaOdd, paEven, paMark, paSpace };
enum class eDataBits : std::uint8_t { d7bit, d8bit };
enum class eStopBits : std::uint8_t { st1bit, st2bit };
enum class eFlowControl : std::uint8_t { fcNone, fcRTS_CTS, fcDTR_DSR, fcXON_XOF };
enum class eOpModes : std::uint8_t { rxNormal, rxMessage };
enum class eNotifyErr : std::uint8_t { neDialog, neEvent, neNone };
enum class eModemInSignal : std::uint8_t { inCTS, inDSR, inRLSD };

// The rates Baudrate takes; any other value is ignored.
inline constexpr std::int32_t kBaudRates[] = {110,   300,   600,    1200,   2400,
                                              4800,  9600,  14400,  19200,  38400,
                                              56000, 57600, 115200, 128000, 256000};
bool IsAcceptedBaudrate(std::int32_t rate);

// The event mask the component waits for while the port is open.
inline constexpr std::uint32_t kEventMask =
    kEvRxChar | kEvTxEmpty | kEvCts | kEvDsr | kEvRlsd | kEvBreak | kEvRing;

class TSerial {
 public:
  using NotifyEvent = std::function<void(TSerial&)>;
  using RxMessageEvent = std::function<void(TSerial&, std::string_view)>;
  using SignalChangeEvent = std::function<void(TSerial&, eModemInSignal, bool)>;

  // The port stays closed; the event thread waits for the first open.
  TSerial(EventLoop& loop, SerialPortLayer& layer);
  // Closes an open port first, so the event thread's wait ends.
  ~TSerial();
  TSerial(const TSerial&) = delete;
  TSerial& operator=(const TSerial&) = delete;

  // Closes an open port; with `open` opens it (again). The outcome is Opened().
  void SetOpen(bool open);
  bool Opened() const { return opened_; }
  // Other programs holding the open port as well; none when it is closed.
  std::vector<std::string> OtherHolders() const;

  // Returns once the driver has taken `data` or the wait (scaled to the baud
  // rate, at least 500 ms) has run out. Only for an open port.
  void WriteString(std::string_view data);
  // 1 and `byte` when a received byte was taken, 0 when none was waiting.
  int ReadByte(std::uint8_t& byte);
  void PurgeTx();
  void PurgeRx();
  // Signal 0 is RTS, 1 is DTR; anything else fails.
  bool SetSignal(std::uint8_t signal, bool state);

  // Setters that change the line reopen an open port.
  std::uint8_t Port() const { return port_; }
  void SetPort(std::uint8_t port);
  std::int32_t Baudrate() const { return baudrate_; }
  void SetBaudrate(std::int32_t rate);
  eParity Parity() const { return parity_; }
  void SetParity(eParity parity);
  eDataBits DataBits() const { return data_bits_; }
  void SetDataBits(eDataBits bits);
  eStopBits StopBits() const { return stop_bits_; }
  void SetStopBits(eStopBits bits);
  // Reopen even when the size is unchanged.
  std::uint16_t RxQueueSize() const { return rx_queue_size_; }
  void SetRxQueueSize(std::uint16_t size);
  std::uint16_t TxQueueSize() const { return tx_queue_size_; }
  void SetTxQueueSize(std::uint16_t size);
  eFlowControl FlowMode() const { return flow_mode_; }
  void SetFlowMode(eFlowControl mode);
  bool CheckParity() const { return check_parity_; }
  void SetCheckParity(bool check);
  // Bytes in the driver's queues; 0 while the port is closed.
  std::int32_t RxWaiting();
  std::int32_t TxWaiting();
  // Stored only; the event thread reads them.
  eOpModes RxEventMode() const { return rx_event_mode_; }
  void SetRxEventMode(eOpModes mode) { rx_event_mode_ = mode; }
  std::uint8_t MessageStartChar() const { return message_start_char_; }
  void SetMessageStartChar(std::uint8_t c) { message_start_char_ = c; }
  std::uint8_t MessageEndChar() const { return message_end_char_; }
  void SetMessageEndChar(std::uint8_t c) { message_end_char_ = c; }
  std::uint16_t MessageAppendCount() const { return message_append_count_; }
  void SetMessageAppendCount(std::uint16_t count) { message_append_count_ = count; }
  eNotifyErr NotifyErrors() const { return notify_errors_; }
  void SetNotifyErrors(eNotifyErr mode) { notify_errors_ = mode; }
  // The platform's code of the last failed port operation, and what it
  // means in the project's errors.
  std::int32_t ErrorCode() const { return error_.code; }
  SystemError Error() const { return error_; }
  // An operation on the open port failed because its device has gone away;
  // cleared when the port is opened again.
  bool DeviceGone() const { return device_gone_; }

  // The settings record and time-outs as last built.
  const TDcb& Dcb() const { return dcb_; }
  const TCommTimeouts& Timeouts() const { return timeouts_; }

  // The last input-line states read by the event thread; for its handlers.
  bool CtsState = false;
  bool DsrState = false;
  bool RlsdState = false;

  // Handlers run on the loop thread.
  NotifyEvent OnRxData;
  NotifyEvent OnTxEmpty;
  NotifyEvent OnError;
  NotifyEvent OnBreak;
  NotifyEvent OnRing;
  SignalChangeEvent OnSignalChange;
  // The event thread asks whether it is assigned before it reads any byte.
  void SetOnMessage(RxMessageEvent handler);
  const RxMessageEvent& OnMessage() const { return on_message_; }
  bool HasOnMessage() const { return has_on_message_; }

 private:
  friend class TEventThread;

  void Reopen(bool open);
  template <typename Value>
  void ChangeLine(Value& setting, Value value, bool always = false);
  void ApplySettings();
  void StartEvents();
  bool UpdateStatus(TComStat& status);
  // Records `error` and notifies as NotifyErrors says, on the loop thread.
  void HandleError(SystemError error);
  void HandleError();
  // The handle as the event thread sees it.
  PortHandle Handle() const { return handle_; }
  bool Closing() const { return closing_; }

  EventLoop& loop_;
  SerialPortLayer& layer_;

  std::uint8_t port_ = 1;
  std::int32_t baudrate_ = 9600;
  eParity parity_ = eParity::paNone;
  eDataBits data_bits_ = eDataBits::d7bit;
  eStopBits stop_bits_ = eStopBits::st1bit;
  std::uint16_t rx_queue_size_ = 1024;
  std::uint16_t tx_queue_size_ = 1024;
  eFlowControl flow_mode_ = eFlowControl::fcNone;
  bool check_parity_ = true;
  std::atomic<eOpModes> rx_event_mode_ = eOpModes::rxNormal;
  std::atomic<std::uint8_t> message_start_char_ = 2;
  std::atomic<std::uint8_t> message_end_char_ = 3;
  std::atomic<std::uint16_t> message_append_count_ = 0;
  eNotifyErr notify_errors_ = eNotifyErr::neDialog;
  SystemError error_;
  bool device_gone_ = false;  // on the loop thread only

  // The close sequence orders these so that the event thread never
  // dispatches an event of a port being closed.
  std::atomic<bool> opened_ = false;
  std::atomic<bool> closing_ = false;
  std::atomic<PortHandle> handle_ = kNoPort;

  TDcb dcb_;
  TCommTimeouts timeouts_;
  RxMessageEvent on_message_;
  std::atomic<bool> has_on_message_ = false;

  std::unique_ptr<TEventThread> thread_;
};

}  // namespace korvex
