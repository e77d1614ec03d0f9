// Help texts that name this platform's places in its own way.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

// An environment variable as this platform's shell writes it: $NAME, %NAME%.
std::string EnvironmentVariableText(std::string_view name);

// tolma's --desktop: its value's name and what it means.
extern const char* const kDesktopOptionType;
extern const char* const kDesktopOptionHelp;

}  // namespace korvex
