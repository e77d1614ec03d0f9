// vx2ctl's link settings taken from a communicator configuration file, read
// by the communicator's own reader, so a file can be tried before use.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "controller_session.h"

namespace vx2::ctl {

// Takes the link of the file at `path` (TCP endpoint, or COM port, rate and
// RS485), its address, relay and time-out into `settings`, except those whose
// option (e.g. "--host") is `given` on the command line. Each line of the
// file that could not be read whole is warned of on standard error; false,
// with a Czech reason naming the file, for a file the communicator refuses.
// The project's write records (its QQWRITE lines, 7 bytes each) go to
// `project` when given.
bool SettingsFromConfig(const std::string& path,
                        const std::function<bool(std::string_view option)>& given,
                        SessionSettings& settings, std::string& error,
                        std::vector<std::string>* project = nullptr);

}  // namespace vx2::ctl
