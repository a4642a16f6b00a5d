// Pages that do not say how they are encoded.
#include <iconv.h>

#include <ostream>

#include "harness.h"
#include "unit/param_names.h"

namespace tabulon::integration {
namespace {

std::string Convert(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  std::string out(utf8.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  iconv(cd, &in, &in_left, &dst, &out_left);
  iconv(cd, nullptr, nullptr, &dst, &out_left);  // back to ASCII for ISO-2022-JP
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

const std::string kText =
    "日本語の文章です。今日は天気が良いので、公園を散歩しました。桜の花がきれいに咲いていて、"
    "たくさんの人が写真を撮っていました。帰りに本屋に寄って、新しい小説を買いました。";

struct EncodingCase {
  const char* name;
  const char* iconv_name;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
  *os << c.name << " (iconv " << testing_support::Quoted(c.iconv_name) << ")";
}

class UndeclaredEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(UndeclaredEncoding, IsDetectedFromThePageBytes) {
  LoopbackServer server;
  // The script shows the paragraph as the engine decoded it, in the caption.
  const std::string page = "<html><head><title>x</title></head><body><p id='t'>" + kText +
                           "</p><script>document.title = "
                           "document.getElementById('t').textContent;</script></body></html>";
  server.Serve("/page", Convert(page, GetParam().iconv_name), "text/html");
  BrowserRun run(TempFolder(), server.Url("/page"));
  EXPECT_TRUE(run.WaitForCaption(kText + " - Tabulon - ")) << run.main().Window().Caption();
}

// The engine keeps a page decoded again in its cache, where a later visit
// finds it without a type and reads it in the default encoding again.
TEST(UndeclaredEncodingAgain, IsDetectedWhenThePageIsVisitedAgain) {
  LoopbackServer server;
  server.Serve("/page", Convert("<title>" + kText + "</title>", "SHIFT_JIS"), "text/html");
  server.Serve("/other", "<title>other</title>", "text/html");
  server.Cacheable("/page");
  BrowserRun run(TempFolder(), server.Url("/page"));
  ASSERT_TRUE(run.WaitForCaption(kText + " - Tabulon - ")) << run.main().Window().Caption();
  run.main().BrowserOfTab(1).Navigate2(server.Url("/other"));
  ASSERT_TRUE(run.WaitForCaption("other - Tabulon - ")) << run.main().Window().Caption();
  run.main().BrowserOfTab(1).Navigate2(server.Url("/page"));
  EXPECT_TRUE(run.WaitForCaption(kText + " - Tabulon - ")) << run.main().Window().Caption();
}

INSTANTIATE_TEST_SUITE_P(Japanese, UndeclaredEncoding,
                         ::testing::Values(EncodingCase{"UTF8", "UTF-8"},
                                           EncodingCase{"ShiftJIS", "SHIFT_JIS"},
                                           EncodingCase{"EUCJP", "EUC-JP"},
                                           EncodingCase{"ISO2022JP", "ISO-2022-JP"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeclaredEncoding, IsShownAsDeclared) {
  LoopbackServer server;
  // Declared Latin-1: the bytes are shown as Latin-1 even though they are not.
  const std::string page =
      "<html><head><meta charset='iso-8859-1'><title>x</title></head>"
      "<body><p id='t'>" +
      kText +
      "</p><script>document.title = "
      "document.getElementById('t').textContent.length;</script></body>"
      "</html>";
  server.Serve("/page", Convert(page, "SHIFT_JIS"), "text/html");
  BrowserRun run(TempFolder(), server.Url("/page"));
  // Each Shift_JIS byte became one Latin-1 character: twice the characters.
  const std::string sjis = Convert(kText, "SHIFT_JIS");
  EXPECT_TRUE(run.WaitForCaption(std::to_string(sjis.size()) + " - Tabulon - "))
      << run.main().Window().Caption();
}

}  // namespace
}  // namespace tabulon::integration
