#include "hostlink/tran_queue.h"

#include <utility>

namespace korvex {
namespace {

bool ComparesData(std::uint8_t kind) {
  return kind == kKindWrite || kind == kKindRead;
}

std::string Identity(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                     std::string_view data) {
  std::string identity{static_cast<char>(key1), static_cast<char>(kind),
                       static_cast<char>(key2 & 0xFF), static_cast<char>(key2 >> 8),
                       static_cast<char>(key3)};
  if (ComparesData(kind)) identity.append(data);
  return identity;
}

std::string Identity(const TTranFronta& e) {
  return Identity(e.Key1, e.Kind, e.Key2, e.Key3, e.Data);
}

// The item a write record at `at` names, with the keys of its entry.
std::string WriteItem(std::uint8_t key1, std::uint16_t key2, std::uint8_t key3,
                      std::string_view data, std::size_t at) {
  return Identity(key1, kKindWrite, key2, key3, data.substr(at, kItemCodeSize));
}

// Calls `each(index, item, value)` for every whole write record of `entry`.
template <typename Each>
void ForEachWrite(const TTranFronta& entry, Each each) {
  if (entry.Kind != kKindWrite) return;
  for (std::size_t i = 0; (i + 1) * kWriteRecordSize <= entry.Data.size(); ++i) {
    const std::size_t at = i * kWriteRecordSize;
    each(i, WriteItem(entry.Key1, entry.Key2, entry.Key3, entry.Data, at),
         std::string_view(entry.Data).substr(at + kItemCodeSize, kItemValueSize));
  }
}

bool BeginsWithControlCode(const std::string& data) {
  return data.size() >= kItemCodeSize && data[0] == 0 && data[1] == 0 && data[2] == 0;
}

TTranFronta* NewEntry(std::uint8_t key1, std::uint8_t kind, std::uint16_t key2, std::uint8_t key3,
                      std::string_view data) {
  auto* entry = new TTranFronta;
  entry->Key1 = key1;
  entry->Kind = kind;
  entry->Key2 = key2;
  entry->Key3 = key3;
  entry->Data.assign(data);
  return entry;
}

}  // namespace

TTranList::TTranList(TTranList&& other) noexcept
    : head_(std::exchange(other.head_, nullptr)),
      tail_(std::exchange(other.tail_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      first_place_(other.first_place_),
      last_place_(other.last_place_),
      identities_(std::move(other.identities_)),
      writes_(std::move(other.writes_)) {
  other.identities_.clear();
  other.writes_.clear();
}

TTranList& TTranList::operator=(TTranList&& other) noexcept {
  if (this != &other) {
    ClearTran(*this);
    head_ = std::exchange(other.head_, nullptr);
    tail_ = std::exchange(other.tail_, nullptr);
    count_ = std::exchange(other.count_, 0);
    first_place_ = other.first_place_;
    last_place_ = other.last_place_;
    identities_ = std::move(other.identities_);
    writes_ = std::move(other.writes_);
    other.identities_.clear();
    other.writes_.clear();
  }
  return *this;
}

TTranList::~TTranList() {
  ClearTran(*this);
}

void TTranList::Remember(const TTranFronta& entry) {
  ++identities_[Identity(entry)];
  ForEachWrite(entry, [this, &entry](std::size_t i, std::string item, std::string_view value) {
    writes_[std::move(item)][{entry.Place, i}] = value;
  });
}

void TTranList::Insert(TTranFronta* entry, TTranFronta* prev, TTranFronta* next) {
  // Entries join at an end only.
  entry->Place = next == nullptr ? ++last_place_ : --first_place_;
  entry->Prev = prev;
  entry->Next = next;
  (prev != nullptr ? prev->Next : head_) = entry;
  (next != nullptr ? next->Prev : tail_) = entry;
  ++count_;
  Remember(*entry);
}

void TTranList::Forget(const TTranFronta& entry) {
  auto it = identities_.find(Identity(entry));
  if (it != identities_.end() && --it->second == 0) identities_.erase(it);
  ForEachWrite(entry, [this, &entry](std::size_t i, const std::string& item, std::string_view) {
    auto values = writes_.find(item);
    if (values == writes_.end()) return;
    values->second.erase({entry.Place, i});
    if (values->second.empty()) writes_.erase(values);
  });
}

const std::string* TTranList::LastWrite(const std::string& item) const {
  auto values = writes_.find(item);
  return values == writes_.end() ? nullptr : &values->second.rbegin()->second;
}

int TTranList::Carrying(const std::string& identity) const {
  auto it = identities_.find(identity);
  return it == identities_.end() ? 0 : it->second;
}

void AddTran(TTranList& fronta, std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
             std::uint8_t key3, std::string_view data) {
  if (kind == kKindWrite && data.size() == kWriteRecordSize) {
    const std::string* last = fronta.LastWrite(WriteItem(key1, key2, key3, data, 0));
    if (last != nullptr && *last == data.substr(kItemCodeSize)) return;
  } else if (fronta.head_ != nullptr) {
    // An equal entry anywhere but at the head or the tail refuses the new one.
    const std::string identity = Identity(key1, kind, key2, key3, data);
    int inner = fronta.Carrying(identity);
    if (Identity(*fronta.head_) == identity) --inner;
    if (fronta.tail_ != fronta.head_ && Identity(*fronta.tail_) == identity) --inner;
    if (inner > 0) return;
  }
  fronta.Insert(NewEntry(key1, kind, key2, key3, data), fronta.tail_, nullptr);
}

void PushTran(TTranList& fronta, std::uint8_t key1, std::uint8_t kind, std::uint16_t key2,
              std::uint8_t key3, std::string_view data) {
  fronta.Insert(NewEntry(key1, kind, key2, key3, data), nullptr, fronta.head_);
}

int TranCount(const TTranList& list) {
  return list.count_;
}

void DeleteTran(TTranFronta*& entry, TTranList& list) {
  if (entry == nullptr) return;
  TTranFronta* gone = entry;
  if (gone->Prev != nullptr) {
    gone->Prev->Next = gone->Next;
  } else {
    list.head_ = gone->Next;
  }
  if (gone->Next != nullptr) {
    gone->Next->Prev = gone->Prev;
  } else {
    list.tail_ = gone->Prev;
  }
  --list.count_;
  list.Forget(*gone);
  delete gone;
  entry = list.head_;
}

int TranCountOfKind(std::uint8_t kind, const TTranList& list) {
  int count = 0;
  for (const TTranFronta* entry = list.Head(); entry != nullptr; entry = entry->Next) {
    count += entry->Kind == kind ? 1 : 0;
  }
  return count;
}

void DropTranOfKind(std::uint8_t kind, TTranList& list) {
  for (TTranFronta* entry = list.Head(); entry != nullptr;) {
    TTranFronta* next = entry->Next;
    if (entry->Kind == kind) DeleteTran(entry, list);
    entry = next;
  }
}

void ClearTran(TTranList& list) {
  TTranFronta* head = list.Head();
  while (head != nullptr) DeleteTran(head, list);
}

void JoinTran(std::uint8_t kind, TTranList& list) {
  for (TTranFronta* group = list.head_; group != nullptr && group->Next != nullptr;
       group = group->Next) {
    if (group->Kind != kind) continue;
    list.Forget(*group);
    for (int members = 1;
         group->Next != nullptr && group->Next->Kind == kind && members < kMaxJoined &&
         !BeginsWithControlCode(group->Data) && !BeginsWithControlCode(group->Next->Data);
         ++members) {
      TTranFronta* merged = group->Next;
      group->Data += merged->Data;
      DeleteTran(merged, list);
    }
    list.Remember(*group);
  }
}

TTranFronta* FindTranCode(std::string_view code, TTranList& list, bool remove, bool& found) {
  found = false;
  const std::string_view key = code.substr(0, kItemCodeSize);
  for (TTranFronta* entry = list.head_; entry != nullptr; entry = entry->Next) {
    if (entry->Kind != kKindRead) continue;
    for (std::size_t at = 0; at + kItemCodeSize <= entry->Data.size(); at += kItemCodeSize) {
      if (std::string_view(entry->Data).substr(at, kItemCodeSize) != key) continue;
      found = true;
      if (!remove) return entry;
      if (entry->Data.size() <= kItemCodeSize) {
        DeleteTran(entry, list);
      } else {
        list.Forget(*entry);
        entry->Data.erase(at, kItemCodeSize);
        list.Remember(*entry);
      }
      return nullptr;
    }
  }
  return nullptr;
}

}  // namespace korvex
