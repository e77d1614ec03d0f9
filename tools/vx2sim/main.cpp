// vx2sim: a VX2 controller on TCP or a serial line, for integrators and for
// the tests. The traffic is logged to standard output; SIGINT, SIGTERM and
// SIGHUP end it with status 0 (1 when the log could not be written).
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

#include "console/standard_output.h"
#include "item_table.h"
#include "native_platform.h"
#include "platform/command_line.h"
#include "platform/console_setup.h"
#include "platform/termination_signals.h"
#include "serial_line.h"
#include "sim_options.h"
#include "sim_server.h"

namespace {

// Each line is flushed at once: whoever starts the simulator waits for its
// ready line and reads its log as it happens.
// A log nobody reads any more never stops the controller.
void PrintLine(std::string_view text) {
  korvex::WriteAndFlush(stdout, std::string(text) + "\n");
}

int RunVx2sim(int argc, char** argv) {
  vx2::sim::SimConfig config;
  if (const auto status = vx2::sim::ParseSimCommandLine(argc, argv, config, std::cout, std::cerr)) {
    return *status;
  }
  vx2::sim::ItemTable items;
  items.Load(config.items);

  korvex::NativeEventLoop loop;
  vx2::sim::SimServer server(loop, config, items, PrintLine);
  vx2::sim::SerialLine line;
  std::string error;
  const std::uint32_t rate = config.baud.value_or(38400);
  const bool started = config.pty ? line.OpenPty(rate, error)
                       : !config.serial_device.empty()
                           ? line.OpenDevice(config.serial_device, rate, error)
                           : server.Start(error);
  if (!started) {
    std::cerr << "vx2sim: " << error << "\n";
    return 1;
  }
  if (config.OnSerialLine()) server.ServeLine(line.Descriptor(), line.Path());
  korvex::TerminationSignals signals(loop, [&loop](int signal) {
    PrintLine(std::string("vx2sim: přijat signál ") + korvex::TerminationSignalName(signal) +
              ", končím.");
    loop.Quit();
  });

  PrintLine("vx2sim: adresa řadiče " + std::to_string(config.address));
  if (config.refuse) {
    PrintLine("vx2sim: port je obsazen, ale nenaslouchá: každé připojení bude odmítnuto.");
  } else if (config.faults.Any()) {
    std::string faults = "vx2sim: vnášené chyby: " + config.faults.Describe();
    if (config.faults.fault_count) {
      faults += " (jen prvních " + std::to_string(*config.faults.fault_count) + " odpovědí)";
    }
    PrintLine(faults);
  }
  if (config.faults.restart_after_writes) {
    PrintLine("vx2sim: po " + std::to_string(*config.faults.restart_after_writes) +
              " zodpovězených zápisech se restartuje");
  }
  if (config.baud) {
    PrintLine("vx2sim: odpovědi rychlostí linky " + std::to_string(*config.baud) + " Bd");
  }
  PrintLine("vx2sim: připraven na " +
            (config.OnSerialLine() ? line.Path() : server.LocalAddress()));
  loop.Run();
  return server.LineFailed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  korvex::TakeUtf8CommandLine(argc, argv);
  korvex::PrepareConsoleOutput();
  korvex::SetOutputProgramName("vx2sim");
  return korvex::ExitStatusAfterOutput(RunVx2sim(argc, argv), 1);
}
