// The path and string functions the Open command builds the target path and tests the
// extension with: the directory keeps its final separator, the extension keeps its dot
// and comes from the name only, and comparisons count letter case.

#include <gtest/gtest.h>

#include <string>

#include "platform/Paths.h"

using namespace platform;

namespace {

TEST(PathsTest, SplitsAPathIntoDirectoryNameAndExtension) {
  struct Row {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
  };
  const Row rows[] = {
      {"/home/user/SAT.ZCN", "/home/user/", "SAT.ZCN", ".ZCN"},
      {"SAT.ZCN", "", "SAT.ZCN", ".ZCN"},
      {"/a.b/c", "/a.b/", "c", ""},
      {"/srv/channels.old/SAT", "/srv/channels.old/", "SAT", ""},
      {"/srv/backup.tar.zcn", "/srv/", "backup.tar.zcn", ".zcn"},
      {"/srv/SAT.", "/srv/", "SAT.", "."},
      {"/srv/", "/srv/", "", ""},
      {"/", "/", "", ""},
      {"", "", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ExtractFilePath(row.path), row.dir);
    EXPECT_EQ(ExtractFileName(row.path), row.name);
    EXPECT_EQ(ExtractFileExt(row.path), row.ext);
  }
}

TEST(PathsTest, AnsiUpperCaseRaisesEveryLetterAndKeepsTheRest) {
  struct Row {
    const char* text;
    const char* upper;
  };
  const Row rows[] = {
      {".zcn", ".ZCN"},
      {".Zcn", ".ZCN"},
      {".ZCN", ".ZCN"},
      {"a2_xx_sat-1.zcn", "A2_XX_SAT-1.ZCN"},
      {"\xC3\xA9t\xC3\xA9.zcn", "\xC3\x89T\xC3\x89.ZCN"},  // été.zcn
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(AnsiUpperCase(row.text), row.upper);
  }
}

TEST(PathsTest, AnsiCompareStrIsZeroOnlyForEqualTexts) {
  enum Order { Less, Equal, Greater, Different };
  struct Row {
    const char* a;
    const char* b;
    Order order;
  };
  const Row rows[] = {
      {".ZCN", ".ZCN", Equal},
      {"", "", Equal},
      {".zcn", ".ZCN", Different},
      {".Zcn", ".ZCN", Different},
      {".ZCN", ".ZCNX", Less},
      {"", ".ZCN", Less},
      {".ZCO", ".ZCN", Greater},
      // é precomposed and as e with a combining accent: a collation may call them equal.
      {"\xC3\xA9", "e\xCC\x81", Different},
  };
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
    const int forward = AnsiCompareStr(row.a, row.b);
    switch (row.order) {
      case Less:
        EXPECT_LT(forward, 0);
        break;
      case Equal:
        EXPECT_EQ(forward, 0);
        break;
      case Greater:
        EXPECT_GT(forward, 0);
        break;
      case Different:
        EXPECT_NE(forward, 0);
        break;
    }
    EXPECT_EQ(sign(AnsiCompareStr(row.b, row.a)), -sign(forward));
  }
}

}  // namespace
