#include "ctl_commands.h"

#include <algorithm>
#include <span>

#include "ctl_output.h"
#include "item_requests.h"
#include "protocol/answer_fit.h"
#include "protocol/project_readback.h"

namespace vx2::ctl {
namespace {

std::optional<std::vector<std::uint32_t>> ReadValues(ControllerSession& session,
                                                     std::span<const ItemCode> codes,
                                                     std::string& error) {
  std::optional<std::vector<std::uint32_t>> values;
  std::string answer;
  const bool done = session.Exchange(
      ReadRequest(codes),
      [&values, &codes](std::string_view received) {
        values = ReadAnswerValues(received, codes.size());
        return values.has_value();
      },
      answer, error);
  return done ? values : std::nullopt;
}

std::optional<std::uint32_t> ReadOne(ControllerSession& session, const ItemCode& code,
                                     std::string& error) {
  const std::optional<std::vector<std::uint32_t>> values =
      ReadValues(session, std::span(&code, 1), error);
  if (!values) return std::nullopt;
  return values->front();
}

}  // namespace

std::optional<OutputLines> ReadItems(ControllerSession& session, const std::vector<ItemCode>& codes,
                                     std::string& error) {
  OutputLines lines;
  const std::span<const ItemCode> all(codes);
  for (std::size_t start = 0; start < all.size(); start += kMaxReadItems) {
    const auto chunk = all.subspan(start, std::min(kMaxReadItems, all.size() - start));
    const std::optional<std::vector<std::uint32_t>> values = ReadValues(session, chunk, error);
    if (!values) return std::nullopt;
    for (std::size_t i = 0; i < chunk.size(); ++i)
      lines.push_back(ItemLine({chunk[i], (*values)[i]}));
  }
  return lines;
}

std::optional<OutputLines> WriteItem(ControllerSession& session, const ItemValue& record,
                                     std::string& error) {
  std::string answer;
  if (!session.Exchange(WriteRequest(record), IsWriteAnswer, answer, error)) return std::nullopt;
  return OutputLines{ItemLine(record) + " zapsáno"};
}

std::optional<OutputLines> ShowFirmware(ControllerSession& session, std::string& error) {
  const std::optional<std::uint32_t> firmware = ReadOne(session, kFirmwareItem, error);
  if (!firmware) return std::nullopt;
  return OutputLines{FirmwareLine(*firmware)};
}

std::optional<OutputLines> ShowChecksum(ControllerSession& session, std::string& error) {
  const std::optional<std::uint32_t> checksum = ReadOne(session, kProjectChecksumItem, error);
  if (!checksum) return std::nullopt;
  return OutputLines{ChecksumLine(*checksum)};
}

std::optional<OutputLines> VerifyProject(ControllerSession& session,
                                         const std::vector<std::string>& records, bool& differs,
                                         std::string& error) {
  const auto differences = korvex::CompareWithController(
      records, [&session, &error](std::string_view request, std::string& answer) {
        return session.Exchange(
            request,
            [request](std::string_view received) {
              return korvex::AnswerFitsRequest(request, received);
            },
            answer, error);
      });
  if (!differences) return std::nullopt;
  OutputLines lines;
  for (const korvex::ItemDifference& difference : *differences) {
    lines.push_back(korvex::DifferenceLine(difference));
  }
  differs = !differences->empty();
  lines.push_back(differs ? "Řadič drží jiné hodnoty než projekt; rozdílných položek: " +
                                std::to_string(differences->size()) + "."
                          : "Řadič drží projekt: všechny položky souhlasí.");
  return lines;
}

}  // namespace vx2::ctl
