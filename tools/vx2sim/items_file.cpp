#include "items_file.h"

#include <filesystem>
#include <map>

#include "common/utf8_path.h"
#include "item_text.h"
#include "shell/file_bytes.h"

namespace vx2::sim {
namespace {

constexpr std::size_t kShownTokenLength = 24;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A word of the file as it may be printed in a message: cut short, with
// control and non-ASCII bytes replaced.
std::string Shown(std::string_view word) {
  std::string text;
  for (char c : word.substr(0, kShownTokenLength)) {
    const auto byte = static_cast<unsigned char>(c);
    text += byte >= 0x20 && byte < 0x7F ? c : '?';
  }
  if (word.size() > kShownTokenLength) text += "...";
  return "'" + text + "'";
}

}  // namespace

bool ParseItemsText(std::string_view text, std::vector<ItemValue>& items, ItemsFileError& error) {
  std::vector<ItemValue> parsed;
  std::map<ItemCode, std::size_t> first_line;
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = line.substr(0, line.find('#'));

    const std::vector<std::string_view> words = Words(line);
    if (words.empty()) continue;
    if (words.size() != 2) {
      error = {line_number,
               "očekávám dvojici KÓD HODNOTA, nalezeno slov: " + std::to_string(words.size())};
      return false;
    }
    const std::optional<ItemCode> code = ParseItemCode(words[0]);
    if (!code) {
      error = {line_number,
               "neplatný kód položky " + Shown(words[0]) + " (má 6 šestnáctkových číslic)"};
      return false;
    }
    const std::optional<std::uint32_t> value = ParseItemValue(words[1]);
    if (!value) {
      error = {line_number, "neplatná hodnota " + Shown(words[1]) +
                                " (32bitové číslo desítkově, nebo šestnáctkově s 0x)"};
      return false;
    }
    const auto [seen, fresh] = first_line.emplace(*code, line_number);
    if (!fresh) {
      error = {line_number, "kód " + ItemCodeText(*code) + " už je uveden na řádku " +
                                std::to_string(seen->second)};
      return false;
    }
    parsed.push_back({*code, *value});
  }
  items.insert(items.end(), parsed.begin(), parsed.end());
  return true;
}

bool LoadItemsFile(const std::string& path, std::vector<ItemValue>& items, std::string& error) {
  // A directory opens as a stream that reads as empty; it is not a file of
  // no items.
  std::error_code ignored;
  std::string content;
  const std::filesystem::path file = korvex::PathFromUtf8(path);
  const korvex::FileRead read = std::filesystem::is_directory(file, ignored)
                                    ? korvex::FileRead::kNotOpened
                                    : korvex::ReadFileBytes(file, kItemsFileMaxBytes, content);
  switch (read) {
    case korvex::FileRead::kRead:
      break;
    case korvex::FileRead::kNotOpened:
      error = "soubor položek " + path + " nelze otevřít";
      return false;
    case korvex::FileRead::kTooLarge:
      error = "soubor položek " + path + " je větší než " + std::to_string(kItemsFileMaxBytes) +
              " bajtů";
      return false;
    case korvex::FileRead::kFailed:
      error = "soubor položek " + path + " nelze přečíst";
      return false;
  }
  ItemsFileError parse_error;
  if (!ParseItemsText(content, items, parse_error)) {
    error = "soubor položek " + path + ", řádek " + std::to_string(parse_error.line) + ": " +
            parse_error.reason;
    return false;
  }
  return true;
}

}  // namespace vx2::sim
