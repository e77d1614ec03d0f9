// The logic's texts are UTF-8; the window's controls take UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

std::wstring ToWide(std::string_view utf8);

}  // namespace korvex
