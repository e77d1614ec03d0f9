#include "locale/runtime_texts.h"

#include <array>

namespace korvex {
namespace {

struct TextPair {
  std::string_view framework;
  std::string_view czech;
};

// Indexed by FrameworkText.
constexpr std::array<TextPair, kFrameworkTextCount> kTexts{{
    {"Warning", "Varování"},
    {"Error", "Chyba"},
    {"Information", "Informace"},
    {"Confirm", "Potvrzení"},
    {"&Yes", "&Ano"},
    {"&No", "&Ne"},
    {"OK", "OK"},
    {"Cancel", "Zpět"},
    {"&Abort", "Přerušit"},
    {"&Retry", "Znova"},
    {"&Ignore", "Ignorovat"},
    {"&All", "Vše"},
    {"N&o to All", "Ne pro všechny"},
    {"Yes to &All", "Ano pro všechny"},
    {"&Help", "Nápověda"},
    {"No help available", "Není nápověda"},
    {"Help", "Nápověda"},
    {"OK", "OK"},
    {"Cancel", "Zpět"},
    {"&Help", "Nápověda"},
    {"&Yes", "&Ano"},
    {"&No", "&Ne"},
    {"&Close", "Zavřít"},
    {"Abort", "Přerušit"},
    {"&Retry", "Znova"},
    {"&Ignore", "&Ignorovat"},
    {"&All", "&Vše"},
}};

}  // namespace

std::string_view RuntimeTexts::LookupText(FrameworkText text) const {
  const TextPair& pair = kTexts[static_cast<std::size_t>(text)];
  return czech_ ? pair.czech : pair.framework;
}

std::string_view RuntimeTexts::MessageTitle(MessageKind kind) const {
  switch (kind) {
    case MessageKind::kWarning:
      return LookupText(FrameworkText::kMsgWarning);
    case MessageKind::kError:
      return LookupText(FrameworkText::kMsgError);
    case MessageKind::kInformation:
      return LookupText(FrameworkText::kMsgInformation);
    case MessageKind::kConfirmation:
      return LookupText(FrameworkText::kMsgConfirm);
  }
  return {};
}

std::string_view RuntimeTexts::MessageButtonCaption(MessageButton button) const {
  // The message-box buttons follow the toolkit's button order in the table.
  const int first = static_cast<int>(FrameworkText::kMsgYes);
  return LookupText(static_cast<FrameworkText>(first + static_cast<int>(button)));
}

std::string WithoutAccelerator(std::string_view caption) {
  std::string plain;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    // "&&" stands for one ampersand; a single one marks the next letter.
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

}  // namespace korvex
