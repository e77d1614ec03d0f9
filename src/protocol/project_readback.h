// The project as the controller holds it: every item the project writes is
// read back, 32 codes a request as the RUN loop merges them, and set against
// the value the project gives it. One implementation for vx2ctl's "verify"
// and the communicator's check after an upload.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

struct ItemDifference {
  std::string code;  // 3 bytes
  std::uint32_t project;
  std::uint32_t controller;
};

// Sends one read request ("Qq" and item codes) and gives its answer's data;
// false when no answer came.
using ReadExchange = std::function<bool(std::string_view request, std::string& answer)>;

// `records`: the project's 7-byte write records in file order; of a code
// written more than once the last value counts. The differences in the
// order the codes first appear; nothing when a read brought no answer of the
// right length.
std::optional<std::vector<ItemDifference>> CompareWithController(
    const std::vector<std::string>& records, const ReadExchange& read);

// "010000: v projektu 42, v řadiči 0"
std::string DifferenceLine(const ItemDifference& difference);

}  // namespace korvex
