// The window's pictures, drawn at run time: the program icon and the two
// states of the activity lamp.
#pragma once

#include <QPixmap>

namespace korvex {

// 32 x 32, transparent around the drawing.
QPixmap ProgramIcon();
// 8 x 8: a grey lamp (idle) and the same lamp with a red centre (busy).
QPixmap IdleLamp();
QPixmap BusyLamp();

}  // namespace korvex
