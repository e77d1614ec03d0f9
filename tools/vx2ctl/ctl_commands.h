// vx2ctl's commands. Each returns the lines for standard output on success,
// or nothing with a Czech reason in `error`.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "controller_session.h"
#include "item_bytes.h"

namespace vx2::ctl {

using OutputLines = std::vector<std::string>;

std::optional<OutputLines> ReadItems(ControllerSession& session, const std::vector<ItemCode>& codes,
                                     std::string& error);
std::optional<OutputLines> WriteItem(ControllerSession& session, const ItemValue& record,
                                     std::string& error);
std::optional<OutputLines> ShowFirmware(ControllerSession& session, std::string& error);
std::optional<OutputLines> ShowChecksum(ControllerSession& session, std::string& error);
// Reads back every item of the project's write `records` and gives a line
// for each that differs, then a summary; `differs` tells whether any did.
std::optional<OutputLines> VerifyProject(ControllerSession& session,
                                         const std::vector<std::string>& records, bool& differs,
                                         std::string& error);

}  // namespace vx2::ctl
