#include "readers/text_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_files.h"

namespace nuvra::readers {
namespace {

TEST(TextFile, FoldsOnlyCrBeforeLf) {
  nuvra::testing::TempDir dir;
  const std::string path = dir.write("t.txt", "a\r\nb\rc\r\r\nd\r");
  EXPECT_EQ(readTextFile(FilePath{path.c_str(), nullptr}), "a\nb\rc\r\nd\r");
}

TEST(TextFile, WidePathsReachTheSameFile) {
  nuvra::testing::TempDir dir;
  const std::string path = dir.write("v\xC3\xA9rt\xE2\x82\xAC.txt", "content");
  const std::wstring wide = nuvra::testing::widen(path);
  EXPECT_EQ(readTextFile(FilePath{nullptr, wide.c_str()}), "content");
  EXPECT_EQ(nativePath(FilePath{nullptr, wide.c_str()}), path);
  // A wide path holding a value no file name can carry opens nothing.
  const std::wstring bad = std::wstring(L"x") + wchar_t(0x110000);
  EXPECT_FALSE(readTextFile(FilePath{nullptr, bad.c_str()}).has_value());
}

TEST(TextFile, MissingFilesAndDirectoriesCannotBeRead) {
  nuvra::testing::TempDir dir;
  EXPECT_FALSE(readTextFile(FilePath{dir.missing("x").c_str(), nullptr}).has_value());
  EXPECT_FALSE(readTextFile(FilePath{dir.path().c_str(), nullptr}).has_value());
  EXPECT_EQ(readTextFile(FilePath{dir.write("empty", "").c_str(), nullptr}), "");
}

}  // namespace
}  // namespace nuvra::readers
