// The item codes and values of vx2ctl's command line, checked before any
// connection is made.
#pragma once

#include <string>
#include <vector>

#include "item_bytes.h"

namespace vx2::ctl {

// All codes, in order; on failure `error` names the first bad argument.
bool ParseReadArguments(const std::vector<std::string>& arguments, std::vector<ItemCode>& codes,
                        std::string& error);
bool ParseWriteArguments(const std::string& code, const std::string& value, ItemValue& record,
                         std::string& error);

}  // namespace vx2::ctl
