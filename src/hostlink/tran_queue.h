// The transaction queue: controller reads and writes waiting to be carried
// out. A list owns its entries; the window's Fronta and the lists the RUN
// loop detaches from it are the same kind of list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "protocol/item_layout.h"

namespace korvex {

inline constexpr std::uint8_t kKindWrite = 15;
inline constexpr std::uint8_t kKindRead = 16;

// One queue entry. Data is changed only through the queue operations below,
// which keep the list's duplicate index up to date.
struct TTranFronta {
  std::uint8_t Key1 = 0;
  std::uint8_t Kind = 0;
  std::uint16_t Key2 = 0;
  std::uint8_t Key3 = 0;
  TTranFronta* Next = nullptr;
  TTranFronta* Prev = nullptr;
  std::string Data;
  // Where the entry stands in its list, kept by the list: a smaller place
  // stands nearer the head.
  std::int64_t Place = 0;
};

// The head variable of a list. Beside the head it keeps the tail, the count,
// how many entries carry each identity and the queued values of each item's
// writes in order, so that appending and counting need no walk: a project of
// 100 000 items loads in linear time.
class TTranList {
 public:
  TTranList() = default;
  TTranList(TTranList&& other) noexcept;
  TTranList& operator=(TTranList&& other) noexcept;
  TTranList(const TTranList&) = delete;
  TTranList& operator=(const TTranList&) = delete;
  ~TTranList();

  TTranFronta* Head() const { return head_; }
  bool Empty() const { return head_ == nullptr; }

 private:
  friend void AddTran(TTranList&, std::uint8_t, std::uint8_t, std::uint16_t, std::uint8_t,
                      std::string_view);
  friend void PushTran(TTranList&, std::uint8_t, std::uint8_t, std::uint16_t, std::uint8_t,
                       std::string_view);
  friend int TranCount(const TTranList&);
  friend void DeleteTran(TTranFronta*&, TTranList&);
  friend void JoinTran(std::uint8_t, TTranList&);
  friend TTranFronta* FindTranCode(std::string_view, TTranList&, bool, bool&);

  void Remember(const TTranFronta& entry);
  // Links `entry` in between `prev` and `next` (nullptr: the list's end).
  void Insert(TTranFronta* entry, TTranFronta* prev, TTranFronta* next);
  void Forget(const TTranFronta& entry);
  int Carrying(const std::string& identity) const;
  // The value bytes of the last write queued for `item` (WriteItem), or null
  // when none is queued.
  const std::string* LastWrite(const std::string& item) const;

  // A write record's place: its entry's place and its index in the entry.
  using RecordPlace = std::pair<std::int64_t, std::size_t>;

  TTranFronta* head_ = nullptr;
  TTranFronta* tail_ = nullptr;
  int count_ = 0;
  std::int64_t first_place_ = 0;
  std::int64_t last_place_ = 0;
  std::unordered_map<std::string, int> identities_;
  std::unordered_map<std::string, std::map<RecordPlace, std::string>> writes_;
};

// Appends unless the entry is a duplicate. A write of one record is one when
// the last write queued for its item (same keys and code) has the same value:
// an earlier equal write with another one after it must not keep the host's
// last value from the controller. Any other entry is one when an equal entry
// stands between the head and the tail (the head and the tail themselves
// never refuse); equal: the same keys and, for reads and writes, the same
// Data byte for byte.
void AddTran(TTranList& fronta, std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
             std::uint8_t key3, std::string_view data);
// Inserts at the head, without a duplicate test.
void PushTran(TTranList& fronta, std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
              std::uint8_t key3, std::string_view data);
int TranCount(const TTranList& list);
// Entries of `kind`, counted by walking the list.
int TranCountOfKind(std::uint8_t kind, const TTranList& list);
// Unlinks and frees every entry of `kind`.
void DropTranOfKind(std::uint8_t kind, TTranList& list);
// Unlinks and frees `entry` (nothing when null), then points it at the head.
void DeleteTran(TTranFronta*& entry, TTranList& list);
void ClearTran(TTranList& list);
// Merges runs of neighbouring entries of `kind` into entries of up to 32,
// never merging an entry whose Data begins with the control code 00 00 00.
void JoinTran(std::uint8_t kind, TTranList& list);
// Finds the first read entry holding the item code (first 3 bytes of `code`)
// at a code boundary. With `remove` the code is cut out of it (the entry goes
// when it held only that code) and the result is null.
TTranFronta* FindTranCode(std::string_view code, TTranList& list, bool remove, bool& found);

}  // namespace korvex
