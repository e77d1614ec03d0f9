// The main window's design: its size and titles and, for every component,
// its place, size, texts and initial state. Each window toolkit builds the
// window from this one table.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace korvex {

inline constexpr std::string_view kApplicationTitle = "LumadexVX2";
inline constexpr std::string_view kWindowTitle = "Lumadex VX2";
inline constexpr int kClientWidth = 236;
inline constexpr int kClientHeight = 300;
// Where the window opens on the screen unless the configuration moves it.
inline constexpr int kWindowLeft = 412;
inline constexpr int kWindowTop = 271;

// In client coordinates, in pixels.
struct FormRect {
  int left;
  int top;
  int width;
  int height;
};

enum class Component {
  Image1,
  Label1,
  LabelVersion,
  chbstop,
  Memo1,
  CAN0,
  CAN1,
  Label3,
  Bar1,
  icom,
  icom0,
  icom1,
  Label2,
  Edit1,
  Edit2,
  Button1,
};

struct ComponentDesign {
  Component component;
  std::string_view name;
  FormRect rect;
  std::string_view text;
  std::string_view hint;
  bool enabled;
  bool visible;
  // Its text was set in the original's narrower font: it keeps its place and
  // height and grows to the right to show its whole text.
  bool widens_to_text;
};

// In the order the window stacks and tabs them.
// clang-format off
inline constexpr std::array<ComponentDesign, 16> kFormDesign{{
    {Component::Image1, "Image1", {8, 8, 32, 32}, "", "", true, true, false},
    {Component::Label1, "Label1", {48, 8, 177, 33},
     "QM Komunikátor pro systémy Vardos line 2 / COM+TCP", "", true, true, false},
    {Component::LabelVersion, "LabelVersion", {48, 34, 60, 13}, "Verze: 1.000", "", true, true, true},
    {Component::chbstop, "chbstop", {144, 47, 81, 17}, "Zastav výpis", "Zastaví výpis událostí",
     true, true, true},
    {Component::Memo1, "Memo1", {8, 64, 217, 121}, "", "", true, true, false},
    {Component::CAN0, "CAN0", {8, 192, 105, 25}, "CAN stop", "", false, true, false},
    {Component::CAN1, "CAN1", {120, 192, 105, 25}, "CAN start", "", false, true, false},
    {Component::Label3, "Label3", {8, 224, 30, 13}, "Fronta", "", true, true, true},
    {Component::Bar1, "Bar1", {56, 224, 169, 16}, "", "", true, true, false},
    {Component::icom, "icom", {43, 228, 8, 8}, "", "", true, true, false},
    {Component::icom0, "icom0", {11, 236, 8, 8}, "", "", true, false, false},
    {Component::icom1, "icom1", {27, 236, 8, 8}, "", "", true, false, false},
    {Component::Label2, "Label2", {8, 252, 42, 13}, "DDE I/O", "", true, true, true},
    {Component::Edit1, "Edit1", {56, 248, 169, 21}, "", "", false, true, false},
    {Component::Edit2, "Edit2", {56, 272, 169, 21}, "", "", false, true, false},
    {Component::Button1, "Button1", {8, 272, 41, 21}, "X com", "Přerušení komunikace", true, true, false},
}};
// clang-format on

constexpr const ComponentDesign& DesignOf(Component component) {
  return kFormDesign[static_cast<std::size_t>(component)];
}

// The table is indexed by Component.
static_assert([] {
  for (std::size_t i = 0; i < kFormDesign.size(); ++i) {
    if (static_cast<std::size_t>(kFormDesign[i].component) != i) return false;
  }
  return true;
}());

// Progress bar Bar1 runs from 0 to this until the logic sets another maximum.
inline constexpr int kProgressMaximum = 100;

}  // namespace korvex
