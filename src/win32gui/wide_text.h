// The logic's texts are UTF-8; the window's controls take UTF-16.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace korvex {

std::wstring ToWide(std::string_view utf8);
// The window's caption, or a control's text.
std::wstring WindowText(HWND window);

}  // namespace korvex
