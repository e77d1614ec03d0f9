#include "items_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vx2::sim {
namespace {

std::vector<ItemValue> ItemsOf(std::string_view text) {
  std::vector<ItemValue> items;
  ItemsFileError error;
  EXPECT_TRUE(ParseItemsText(text, items, error)) << error.line << ": " << error.reason;
  return items;
}

ItemsFileError Failure(std::string_view text) {
  std::vector<ItemValue> items{{{9, 9, 9}, 9}};
  ItemsFileError error;
  EXPECT_FALSE(ParseItemsText(text, items, error));
  EXPECT_EQ(items, (std::vector<ItemValue>{{{9, 9, 9}, 9}})) << "items changed on failure";
  return error;
}

TEST(ItemsFile, PairsInFileOrderWithCommentsAndBlankLines) {
  const std::vector<ItemValue> items = ItemsOf(
      "# project values\n"
      "000102 42\n"
      "\n"
      "   \t\n"
      "A401A2\t0x1234abcd   # checksum\r\n"
      "  000000 4294967295\n"
      "#000103 5\n"
      "000103 0");
  EXPECT_EQ(items, (std::vector<ItemValue>{{{0x00, 0x01, 0x02}, 42},
                                           {{0xA4, 0x01, 0xA2}, 0x1234ABCD},
                                           {{0x00, 0x00, 0x00}, 4294967295u},
                                           {{0x00, 0x01, 0x03}, 0}}));
  EXPECT_TRUE(ItemsOf("").empty());
  EXPECT_TRUE(ItemsOf("# nothing\n\n").empty());
}

TEST(ItemsFile, ErrorsNameTheLineAndChangeNothing) {
  EXPECT_EQ(Failure("000102 1\n000103\n").line, 2u);
  EXPECT_EQ(Failure("000102 1 2\n").line, 1u);
  EXPECT_EQ(Failure("000102=1\n").line, 1u);
  const ItemsFileError code = Failure("\n\n00010 1\n");
  EXPECT_EQ(code.line, 3u);
  EXPECT_NE(code.reason.find("'00010'"), std::string::npos) << code.reason;
  const ItemsFileError value = Failure("000102 0x100000000\n");
  EXPECT_NE(value.reason.find("'0x100000000'"), std::string::npos) << value.reason;
  const ItemsFileError twice = Failure("000102 1\n# again\n000102 2\n");
  EXPECT_EQ(twice.line, 3u);
  EXPECT_NE(twice.reason.find("řádku 1"), std::string::npos) << twice.reason;
}

TEST(ItemsFile, BinaryGarbageIsAnErrorWithAPrintableMessage) {
  std::string garbage("\x00\x01\xFF\x1B[2J 5\n", 9);
  garbage.append(200, 'x');
  const ItemsFileError error = Failure(garbage);
  EXPECT_EQ(error.line, 1u);
  for (char c : error.reason) {
    EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20) << "control byte in: " << error.reason;
  }
  EXPECT_LT(Failure("000102 " + std::string(5000, '7')).reason.size(), 200u);
}

TEST(ItemsFile, LoadReadsTheFileAndNamesItOnFailure) {
  const std::filesystem::path folder = testing::TempDir();
  const std::filesystem::path path = folder / "vx2sim_items_test.txt";
  std::ofstream(path) << "000102 42\n";
  std::vector<ItemValue> items;
  std::string error;
  ASSERT_TRUE(LoadItemsFile(path.string(), items, error)) << error;
  EXPECT_EQ(items, (std::vector<ItemValue>{{{0x00, 0x01, 0x02}, 42}}));

  std::ofstream(path) << "000102 42\nbad\n";
  EXPECT_FALSE(LoadItemsFile(path.string(), items, error));
  EXPECT_NE(error.find(path.string() + ", řádek 2"), std::string::npos) << error;
  std::filesystem::remove(path);

  EXPECT_FALSE(LoadItemsFile(path.string(), items, error));
  EXPECT_NE(error.find(path.string()), std::string::npos) << error;
  EXPECT_FALSE(LoadItemsFile(folder.string(), items, error)) << "a folder is not an items file";
  // A device without end is refused at the bound, not read until memory runs out.
  EXPECT_FALSE(LoadItemsFile("/dev/zero", items, error));
  EXPECT_NE(error.find("je větší než"), std::string::npos) << error;
  EXPECT_FALSE(LoadItemsFile("/proc/self/mem", items, error)) << "a failing read";
  EXPECT_EQ(items.size(), 1u);
}

}  // namespace
}  // namespace vx2::sim
