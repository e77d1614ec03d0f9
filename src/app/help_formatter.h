// Help whose columns line up in Czech: CLI11 pads and wraps by bytes, so each
// accented letter would shift a column. Here widths are counted in characters
// (UTF-8 code points), texts wrap at the line width, and what an option needs
// or excludes stands on a line of its own under its description.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

// Widest line of the help, in characters.
inline constexpr std::size_t kHelpWidth = 80;

inline std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// `text` broken at spaces so that no line passes `width` characters: its first
// line starts at `column`, every further line (also after a line break in
// `text`) at `indent`. A word longer than a line stays whole.
inline std::string Wrapped(std::string_view text, std::size_t column, std::size_t indent,
                           std::size_t width = kHelpWidth) {
  const std::string margin = "\n" + std::string(indent, ' ');
  std::string out;
  std::size_t room = width > column ? width - column : 0;
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    std::string_view rest = text.substr(begin, end - begin);
    while (CharacterCount(rest) > room) {
      // The last space with the text before it still fitting.
      std::size_t cut = std::string_view::npos;
      std::size_t characters = 0;
      for (std::size_t i = 0; i < rest.size() && characters <= room; ++i) {
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80) continue;
        if (rest[i] == ' ' && i > 0 && rest[i - 1] != ' ') cut = i;
        ++characters;
      }
      if (cut == std::string_view::npos) cut = rest.find(' ', rest.find_first_not_of(' '));
      if (cut == std::string_view::npos) break;
      out.append(rest.substr(0, cut)).append(margin);
      rest.remove_prefix(std::min(rest.find_first_not_of(' ', cut), rest.size()));
      room = width > indent ? width - indent : 0;
    }
    out.append(rest);
    if (end == text.size()) return out;
    out.append(margin);
    room = width > indent ? width - indent : 0;
    begin = end + 1;
  }
}

class CzechHelpFormatter : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override {
    // CLI11 puts two blank lines between option groups; one is enough.
    std::string help = CLI::Formatter::make_help(app, std::move(name), mode);
    for (std::size_t at; (at = help.find("\n\n\n")) != std::string::npos;) help.erase(at, 1);
    return help;
  }

  std::string make_description(const CLI::App* app) const override {
    return Wrapped(CLI::Formatter::make_description(app), 0, 0);
  }

  std::string make_footer(const CLI::App* app) const override {
    // A line keeps its indentation when it wraps; a row of a table ("  0  text")
    // goes on under its text.
    const std::string footer = CLI::Formatter::make_footer(app);
    std::string out;
    std::size_t begin = 0;
    while (begin < footer.size()) {
      const std::size_t end = std::min(footer.find('\n', begin), footer.size());
      const std::string_view line = std::string_view(footer).substr(begin, end - begin);
      std::size_t indent = std::min(line.find_first_not_of(' '), line.size());
      const std::size_t gap = line.find("  ", indent);
      if (indent > 0 && gap != std::string_view::npos) {
        indent = CharacterCount(line.substr(0, line.find_first_not_of(' ', gap)));
      }
      out.append(Wrapped(line, 0, indent)).append(end < footer.size() ? "\n" : "");
      begin = end + 1;
    }
    return out;
  }

  // A command's help flag is made before the command takes its parent's
  // group, so it stands in CLI11's own "Options"; labels name groups too.
  std::string make_group(std::string group, bool is_positional,
                         std::vector<const CLI::Option*> opts) const override {
    return CLI::Formatter::make_group(get_label(group), is_positional, std::move(opts));
  }

  std::string make_option(const CLI::Option* opt, bool is_positional) const override {
    std::string help = Entry(make_option_name(opt, is_positional) + make_option_opts(opt),
                             make_option_desc(opt));
    for (const std::string& constraint : Constraints(opt)) {
      help += std::string(column_width_, ' ') + Wrapped(constraint, column_width_, column_width_) +
              "\n";
    }
    return help;
  }

  std::string make_option_opts(const CLI::Option* opt) const override {
    // CLI11 appends the constraints; they go on lines of their own here.
    std::string opts = CLI::Formatter::make_option_opts(opt);
    std::string appended;
    for (const std::string& constraint : Constraints(opt)) appended += " " + constraint;
    if (opts.ends_with(appended)) opts.resize(opts.size() - appended.size());
    return opts;
  }

  std::string make_subcommand(const CLI::App* sub) const override {
    return Entry(sub->get_display_name(true), sub->get_description());
  }

 private:
  // "Vyžaduje: --a", "Vylučuje: --b --c", as CLI11 writes them.
  std::vector<std::string> Constraints(const CLI::Option* opt) const {
    std::vector<std::string> constraints;
    const auto add = [&](const std::string& label, const std::set<CLI::Option*>& options) {
      if (options.empty()) return;
      std::string text = get_label(label) + ":";
      for (const CLI::Option* option : options) text += " " + option->get_name();
      constraints.push_back(text);
    };
    add("Needs", opt->get_needs());
    add("Excludes", opt->get_excludes());
    return constraints;
  }

  // "  name      description", the description at the column, or under the
  // name when the name comes too close to it.
  std::string Entry(const std::string& name, const std::string& description) const {
    std::string entry = "  " + name;
    const std::size_t used = CharacterCount(entry);
    if (!description.empty()) {
      // Two spaces at least, or a name could read as the description's first word.
      entry += used + 2 <= column_width_ ? std::string(column_width_ - used, ' ')
                                    : "\n" + std::string(column_width_, ' ');
      entry += Wrapped(description, column_width_, column_width_);
    }
    return entry + "\n";
  }
};

}  // namespace korvex
