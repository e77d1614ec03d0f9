// The window's pictures, drawn at run time: the program icon and the two
// states of the activity lamp.
#pragma once

#include <windows.h>

namespace korvex {

// 32 x 32, transparent around the drawing. The caller destroys it.
HICON CreateProgramIcon();
// 8 x 8 on the button-face colour: a grey lamp (idle) or the same lamp with a
// red centre (busy). The caller deletes it.
HBITMAP CreateLampBitmap(bool busy);

}  // namespace korvex
