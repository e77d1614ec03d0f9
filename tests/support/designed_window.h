// The main window as it was designed, for the tests of every window toolkit:
// each component's name, place and size in client coordinates, text, hint
// and initial state.
#pragma once

namespace korvex {

struct DesignedComponent {
  const char* name;
  int left;
  int top;
  int width;
  int height;
  const char* text;  // nullptr: not a text component
  const char* hint;
  bool enabled;
  bool visible;
  // Texts set in the original's narrower font: such a component keeps its
  // place and height and may grow to the right to show its whole text.
  bool widens_to_text;
};

inline constexpr int kDesignedClientWidth = 236;
inline constexpr int kDesignedClientHeight = 300;

inline constexpr DesignedComponent kDesignedComponents[] = {
    {"Image1", 8, 8, 32, 32, nullptr, "", true, true, false},
    {"Label1", 48, 8, 177, 33, "QM Komunikátor pro systémy Vardos line 2 / COM+TCP", "", true, true,
     false},
    {"LabelVersion", 48, 34, 60, 13, "Verze: 4.046 / 1.11.2005", "", true, true, true},
    {"chbstop", 144, 47, 81, 17, "Zastav výpis", "Zastaví výpis událostí", true, true, true},
    {"Memo1", 8, 64, 217, 121, nullptr, "", true, true, false},
    {"CAN0", 8, 192, 105, 25, "CAN stop", "", false, true, false},
    {"CAN1", 120, 192, 105, 25, "CAN start", "", false, true, false},
    {"Label3", 8, 224, 30, 13, "Fronta", "", true, true, true},
    {"Bar1", 56, 224, 169, 16, nullptr, "", true, true, false},
    {"icom", 43, 228, 8, 8, nullptr, "", true, true, false},
    {"icom0", 11, 236, 8, 8, nullptr, "", true, false, false},
    {"icom1", 27, 236, 8, 8, nullptr, "", true, false, false},
    {"Label2", 8, 252, 42, 13, "DDE I/O", "", true, true, true},
    {"Edit1", 56, 248, 169, 21, "", "", false, true, false},
    {"Edit2", 56, 272, 169, 21, "", "", false, true, false},
    {"Button1", 8, 272, 41, 21, "X com", "Přerušení komunikace", true, true, false},
};

}  // namespace korvex
