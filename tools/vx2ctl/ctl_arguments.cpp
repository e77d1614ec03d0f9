#include "ctl_arguments.h"

#include "item_text.h"

namespace vx2::ctl {
namespace {

std::string BadCode(const std::string& text) {
  return "'" + text + "' není kód položky (6 šestnáctkových číslic, např. 000102)";
}

}  // namespace

bool ParseReadArguments(const std::vector<std::string>& arguments, std::vector<ItemCode>& codes,
                        std::string& error) {
  std::vector<ItemCode> parsed;
  for (const std::string& argument : arguments) {
    const std::optional<ItemCode> code = ParseItemCode(argument);
    if (!code) {
      error = BadCode(argument);
      return false;
    }
    parsed.push_back(*code);
  }
  codes = std::move(parsed);
  return true;
}

bool ParseWriteArguments(const std::string& code, const std::string& value, ItemValue& record,
                         std::string& error) {
  const std::optional<ItemCode> parsed_code = ParseItemCode(code);
  if (!parsed_code) {
    error = BadCode(code);
    return false;
  }
  const std::optional<std::uint32_t> parsed_value = ParseItemValue(value);
  if (!parsed_value) {
    error = "'" + value + "' není hodnota (0 až 4294967295, nebo šestnáctkově s 0x)";
    return false;
  }
  record = {*parsed_code, *parsed_value};
  return true;
}

}  // namespace vx2::ctl
