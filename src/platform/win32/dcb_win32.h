// The real DCB a settings record asks for, bit-field by bit-field.
#pragma once

#include <windows.h>

#include "platform/serial_port.h"

namespace korvex {

DCB Win32Dcb(const TDcb& dcb);

}  // namespace korvex
