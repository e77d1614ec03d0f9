// What of a command line the window gets: the arguments that are not options
// of the program or of its toolkit, with "/DDE" first whenever it was given,
// so that no option ahead of it can put the window into upload mode.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace korvex {

inline constexpr char kHostModeSwitch[] = "/DDE";

inline std::vector<std::string> WindowArguments(std::vector<std::string> arguments) {
  std::erase_if(arguments, [](const std::string& a) { return a.starts_with('-'); });
  std::stable_partition(arguments.begin(), arguments.end(),
                        [](const std::string& a) { return a == kHostModeSwitch; });
  return arguments;
}

}  // namespace korvex
