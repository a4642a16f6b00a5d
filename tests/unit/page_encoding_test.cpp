#include "browsing/page_encoding.h"

#include <gtest/gtest.h>

namespace tabulon {
namespace {

TEST(DeclaredCharset, FromTheHeaderOrAMetaTagNearTheStart) {
  EXPECT_TRUE(DeclaresCharset("text/html; Charset=Shift_JIS", ""));
  EXPECT_TRUE(DeclaresCharset("text/html", "<html><head><META CHARSET=\"euc-jp\">"));
  EXPECT_TRUE(DeclaresCharset(
      "text/html", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"));
  EXPECT_FALSE(DeclaresCharset("text/html", "<html><head><meta name=\"viewport\"><title>"));
  EXPECT_FALSE(DeclaresCharset("text/html", "<p>charset is a word</p>"));
  // Past the first 1024 bytes a declaration no longer counts.
  EXPECT_FALSE(DeclaresCharset("text/html", std::string(1100, ' ') + "<meta charset=utf-8>"));
}

TEST(EngineCharsetNames, JapaneseNamesMapAndAsciiIsNoReasonToRedecode) {
  EXPECT_EQ(EngineCharsetName("SHIFT_JIS"), "Shift_JIS");
  EXPECT_EQ(EngineCharsetName("EUC-JP"), "EUC-JP");
  EXPECT_EQ(EngineCharsetName("ISO-2022-JP"), "ISO-2022-JP");
  EXPECT_EQ(EngineCharsetName("UTF-8"), "UTF-8");
  EXPECT_EQ(EngineCharsetName("ASCII"), "");
  EXPECT_EQ(EngineCharsetName("WINDOWS-1252"), "");  // a weak guess; the stored default wins
  EXPECT_EQ(EngineCharsetName(""), "");
}

}  // namespace
}  // namespace tabulon
