#include "app/command_line.h"

#include <array>
#include <string_view>

#include "about/frm_qksinfo.h"
#include "base/state.h"

namespace tabulon {
namespace {

// GTK's own options; all but the last take a value, as "--name=value" or
// as the next argument.
constexpr std::array<std::string_view, 8> kToolkitOptionsWithValue = {
    "--display",      "--class",      "--name",      "--gdk-debug",
    "--gdk-no-debug", "--gtk-module", "--gtk-debug", "--gtk-no-debug"};
constexpr std::string_view kToolkitFlag = "--g-fatal-warnings";

bool IsToolkitOptionWithValue(std::string_view arg) {
  for (const std::string_view option : kToolkitOptionsWithValue) {
    if (arg == option) return true;
  }
  return false;
}

bool IsToolkitOptionWithInlineValue(std::string_view arg) {
  const std::size_t equals = arg.find('=');
  return equals != std::string_view::npos && IsToolkitOptionWithValue(arg.substr(0, equals));
}

}  // namespace

CommandLineRequest ParseCommandLine(const std::vector<std::string>& args) {
  CommandLineRequest request;
  std::vector<std::string> address;
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg.empty() || arg[0] != '-') {
      address.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h") {
      return {CommandLineRequest::Action::kHelp, {}, {}, {}};
    } else if (arg == "--version") {
      return {CommandLineRequest::Action::kVersion, {}, {}, {}};
    } else if (arg == kPrivateOption) {
      request.private_window = true;
    } else if (arg == kToolkitFlag || IsToolkitOptionWithInlineValue(arg)) {
      request.toolkit_options.push_back(arg);
    } else if (IsToolkitOptionWithValue(arg)) {
      if (i + 1 == args.size()) {
        return {CommandLineRequest::Action::kError,
                {},
                {},
                "オプション " + arg + " には値が必要です。"};
      }
      request.toolkit_options.push_back(arg);
      request.toolkit_options.push_back(args[++i]);
    } else {
      return {CommandLineRequest::Action::kError, {}, {}, "不明なオプションです: " + arg};
    }
  }
  for (std::size_t i = 0; i < address.size(); ++i) {
    if (i > 0) request.address += ' ';
    request.address += address[i];
  }
  return request;
}

std::string UsageText() {
  return "使い方: tabulon [オプション] [--] [アドレス]\n"
         "\n"
         "アドレスを最初のタブで開きます。アドレスがなければホームページを開きます。\n"
         "\n"
         "  -h, --help           この説明を表示して終了します\n"
         "  --version            バージョンを表示して終了します\n"
         "  --private            プライベートウィンドウで開きます（Cookie、キャッシュ、履歴、\n"
         "                       タブを残しません）\n"
         "  --display=表示先     使う X ディスプレイ（GTK のほかのオプションも使えます）\n"
         "  --                   これより後の引数はすべてアドレスとして扱います\n";
}

std::string VersionLine() {
  return VersionText(TABULON_VERSION_MAJOR, TABULON_VERSION_MINOR, TABULON_VERSION_PATCH) + "\n";
}

}  // namespace tabulon
