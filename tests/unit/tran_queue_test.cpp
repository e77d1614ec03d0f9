// The queue against a plain model of its rules, over long random runs of
// operations, plus the cases that pin the rules themselves.
#include "hostlink/tran_queue.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/bytes.h"

namespace korvex {
namespace {

struct ModelEntry {
  std::uint8_t key1, kind;
  std::uint16_t key2;
  std::uint8_t key3;
  std::string data;
  bool operator==(const ModelEntry&) const = default;
};
using Model = std::vector<ModelEntry>;

bool Equal(const ModelEntry& e, const ModelEntry& n) {
  if (e.key1 != n.key1 || e.kind != n.kind || e.key2 != n.key2 || e.key3 != n.key3) return false;
  return (e.kind != 15 && e.kind != 16) || e.data == n.data;
}

void ModelAdd(Model& m, const ModelEntry& n) {
  if (n.kind == 15 && n.data.size() == 7) {
    std::string last_value;
    for (const ModelEntry& e : m) {
      if (e.kind != 15 || e.key1 != n.key1 || e.key2 != n.key2 || e.key3 != n.key3) continue;
      for (std::size_t at = 0; at + 7 <= e.data.size(); at += 7) {
        if (e.data.compare(at, 3, n.data, 0, 3) == 0) last_value = e.data.substr(at + 3, 4);
      }
    }
    if (last_value != n.data.substr(3)) m.push_back(n);
    return;
  }
  int last = -1;
  for (int i = 0; i + 1 < static_cast<int>(m.size()); ++i) {
    if (Equal(m[i], n)) last = i;
  }
  if (last <= 0) m.push_back(n);
}

bool Control(const std::string& d) {
  return d.substr(0, 3) == std::string(3, '\0');
}

void ModelJoin(Model& m, std::uint8_t kind) {
  for (std::size_t g = 0; g + 1 < m.size(); ++g) {
    if (m[g].kind != kind) continue;
    int members = 1;
    while (g + 1 < m.size() && m[g + 1].kind == kind && members < 32 && !Control(m[g].data) &&
           !Control(m[g + 1].data)) {
      m[g].data += m[g + 1].data;
      m.erase(m.begin() + static_cast<long>(g) + 1);
      ++members;
    }
  }
}

bool ModelFind(Model& m, const std::string& code) {
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i].kind != 16) continue;
    for (std::size_t p = 0; p + 3 <= m[i].data.size(); p += 3) {
      if (m[i].data.compare(p, 3, code, 0, 3) != 0) continue;
      if (m[i].data.size() <= 3) {
        m.erase(m.begin() + static_cast<long>(i));
      } else {
        m[i].data.erase(p, 3);
      }
      return true;
    }
  }
  return false;
}

// Walks the list both ways, checking the links, and returns its entries.
Model Entries(const TTranList& list) {
  Model forward;
  const TTranFronta* last = nullptr;
  for (const TTranFronta* e = list.Head(); e != nullptr; e = e->Next) {
    EXPECT_EQ(e->Prev, last);
    forward.push_back({e->Key1, e->Kind, e->Key2, e->Key3, e->Data});
    last = e;
  }
  EXPECT_EQ(TranCount(list), static_cast<int>(forward.size()));
  return forward;
}

TEST(TranQueue, FollowsThePlainModelOverRandomRuns) {
  const std::vector<std::string> codes = {Hex("00 00 00"), Hex("01 02 03"), Hex("01 02 04"),
                                          Hex("00 00 03"), Hex("02 03 01")};
  for (unsigned seed = 1; seed <= 200; ++seed) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto random_entry = [&] {
      const std::uint8_t kinds[] = {15, 16, 16, 7};
      ModelEntry n{static_cast<std::uint8_t>(1 + pick(2)), kinds[pick(4)],
                   static_cast<std::uint16_t>(pick(2) * 0x101), 0, codes[pick(5)]};
      if (n.kind == 15) n.data += std::string(1, static_cast<char>(pick(2))) + Hex("00 00 00");
      if (n.kind == 7) n.data = std::string(static_cast<std::size_t>(pick(3)), 'x');
      return n;
    };
    Model model;
    TTranList list;
    for (int step = 0; step < 400; ++step) {
      const int op = pick(100);
      if (op < 45) {
        const ModelEntry n = random_entry();
        ModelAdd(model, n);
        AddTran(list, n.key1, n.kind, n.key2, n.key3, n.data);
      } else if (op < 55) {
        const ModelEntry n = random_entry();
        model.insert(model.begin(), n);
        PushTran(list, n.key1, n.kind, n.key2, n.key3, n.data);
      } else if (op < 70 && !model.empty()) {
        const int at = pick(static_cast<int>(model.size()));
        TTranFronta* e = list.Head();
        for (int i = 0; i < at; ++i) e = e->Next;
        model.erase(model.begin() + at);
        DeleteTran(e, list);
        ASSERT_EQ(e, list.Head()) << "DeleteTran leaves the entry variable at the head";
      } else if (op < 78) {
        const std::uint8_t kind = pick(2) ? 15 : 16;
        ModelJoin(model, kind);
        JoinTran(kind, list);
      } else if (op < 93) {
        const std::string code = codes[pick(5)];
        bool found = false;
        const bool model_found = ModelFind(model, code);
        EXPECT_EQ(FindTranCode(code, list, true, found), nullptr);
        ASSERT_EQ(found, model_found) << "seed " << seed << " step " << step;
      } else if (op < 96) {
        TTranList detached = std::move(list);
        ASSERT_TRUE(list.Empty());
        ASSERT_EQ(Entries(detached), model);
        list = std::move(detached);
      } else if (op < 97) {
        model.clear();
        ClearTran(list);
      }
      ASSERT_EQ(Entries(list), model) << "seed " << seed << " step " << step << " op " << op;
    }
  }
}

TEST(TranQueue, RulesAsWritten) {
  const std::string a = Hex("01 02 03");
  TTranList list;
  for (int i = 0; i < 4; ++i) AddTran(list, 1, 16, 0, 0, a);
  EXPECT_EQ(TranCount(list), 3) << "[A] takes A twice more, then refuses";

  TTranList others;
  AddTran(others, 1, 9, 0, 0, "x");
  AddTran(others, 1, 9, 0, 0, "y");
  AddTran(others, 1, 9, 0, 0, "z");
  AddTran(others, 1, 9, 0, 0, "w");
  EXPECT_EQ(TranCount(others), 3) << "other kinds compare keys only";

  TTranList writes;
  for (const int value : {1, 2, 1, 2, 1, 2, 3, 2, 2}) {
    AddTran(writes, 1, 15, 0, 0, Hex("40 00 01") + static_cast<char>(value) + Hex("00 00 00"));
  }
  ASSERT_EQ(TranCount(writes), 8) << "a write repeats only the last one to its item";
  std::string values;
  for (const TTranFronta* e = writes.Head(); e != nullptr; e = e->Next) values += e->Data[3];
  EXPECT_EQ(values, "\1\2\1\2\1\2\3\2");

  TTranList reads;
  for (int i = 0; i < 70; ++i) {
    AddTran(reads, 1, 16, 0, 0, std::string{1, static_cast<char>(i), 9});
  }
  JoinTran(16, reads);
  ASSERT_EQ(TranCount(reads), 3);
  EXPECT_EQ(reads.Head()->Data.size(), 96u);
  EXPECT_EQ(reads.Head()->Next->Next->Data.size(), 18u);

  TTranList codes;
  AddTran(codes, 1, 16, 0, 0, Hex("01 02 03 04 05 06"));
  AddTran(codes, 1, 15, 0, 0, Hex("07 08 09 00 00 00 00"));
  bool found = true;
  FindTranCode(Hex("02 03 04"), codes, true, found);
  EXPECT_FALSE(found) << "a code straddling two groups";
  FindTranCode(Hex("07 08 09"), codes, true, found);
  EXPECT_FALSE(found) << "writes are not searched";
  EXPECT_EQ(FindTranCode(Hex("04 05 06"), codes, false, found), codes.Head());
  EXPECT_TRUE(found);
}

}  // namespace
}  // namespace korvex
