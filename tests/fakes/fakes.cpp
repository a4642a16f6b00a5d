#include "fakes/fakes.h"

#include <algorithm>
#include <sstream>

namespace tabulon::testing {

void FakeBrowser::Refuse(const char* what) {
  calls.push_back(std::string(what) + " refused");
  throw ControlError(what);
}

void FakeBrowser::Visit(const std::string& url) {
  if (position >= 0) history.resize(static_cast<size_t>(position) + 1);
  history.push_back(url);
  position = static_cast<int>(history.size()) - 1;
}

void FakeBrowser::Navigate2(const std::string& url) {
  if (refuse_commands) Refuse("Navigate2");
  calls.push_back("Navigate2 " + url);
  Visit(url);
}
void FakeBrowser::GoBack() {
  if (refuse_commands || position <= 0) Refuse("GoBack");
  calls.push_back("GoBack");
  --position;
}
void FakeBrowser::GoForward() {
  if (refuse_commands || position + 1 >= static_cast<int>(history.size())) Refuse("GoForward");
  calls.push_back("GoForward");
  ++position;
}
void FakeBrowser::GoHome() {
  if (refuse_commands) Refuse("GoHome");
  calls.push_back("GoHome");
  Visit("home");
}
void FakeBrowser::GoSearch() {
  if (refuse_commands) Refuse("GoSearch");
  calls.push_back("GoSearch");
  Visit("search");
}
void FakeBrowser::Refresh2() {
  if (refuse_commands) Refuse("Refresh2");
  calls.push_back("Refresh2");
}
void FakeBrowser::Stop() {
  if (refuse_commands) Refuse("Stop");
  calls.push_back("Stop");
}
std::string FakeBrowser::LocationURL() const {
  return position >= 0 ? history[static_cast<size_t>(position)] : "";
}

std::string FakeBrowser::History() const {
  if (history.empty()) return "";
  std::string saved = std::to_string(position);
  for (const std::string& url : history) saved += "\n" + url;
  return saved;
}

bool FakeBrowser::RestoreHistory(const std::string& saved) {
  std::istringstream lines(saved);
  std::string line;
  if (!std::getline(lines, line) || line.empty() ||
      line.find_first_not_of("0123456789") != std::string::npos) {
    return false;  // not bytes this control wrote
  }
  const int at = std::stoi(line);
  std::vector<std::string> list;
  while (std::getline(lines, line)) list.push_back(line);
  if (at >= static_cast<int>(list.size())) return false;
  history = list;
  position = at;
  calls.push_back("RestoreHistory " + LocationURL());
  return true;
}

std::string FakeSettingsStore::GetSetting(const std::string& app, const std::string& section,
                                          const std::string& key, const std::string& fallback) {
  auto it = values.find(app + "/" + section + "/" + key);
  return it == values.end() ? fallback : it->second;
}

IoResult FakeSettingsStore::SaveSetting(const std::string& app, const std::string& section,
                                        const std::string& key, const std::string& value) {
  if (fail_with != 0) return {fail_with};
  values[app + "/" + section + "/" + key] = value;
  ++writes;
  return {};
}

namespace {
// The window's mirror: a program-made change of geometry or state is answered
// at once, as the window system would.
class FakeFormPeer final : public ControlPeer {
 public:
  explicit FakeFormPeer(FakeToolkit& toolkit) : toolkit_(toolkit) {}
  void Changed(Prop prop) override {
    if (prop == Prop::Left || prop == Prop::Top || prop == Prop::Width || prop == Prop::Height ||
        prop == Prop::WindowState) {
      toolkit_.WindowSystemAnswers();
    }
  }

 private:
  FakeToolkit& toolkit_;
};

class FakeComboPeer final : public ControlPeer {
 public:
  explicit FakeComboPeer(FakeToolkit& toolkit) : toolkit_(toolkit) {}
  void Changed(Prop) override {}
  bool TakeFocus() override { return toolkit_.focus_possible; }

 private:
  FakeToolkit& toolkit_;
};

// Removes its browser from the toolkit's list when the program unloads it.
class FakeBrowserPeer final : public ControlPeer {
 public:
  FakeBrowserPeer(FakeToolkit& toolkit, int index) : toolkit_(toolkit), index_(index) {}
  ~FakeBrowserPeer() override { toolkit_.browsers.erase(index_); }
  void Changed(Prop) override {}

 private:
  FakeToolkit& toolkit_;
  int index_;
};
}  // namespace

void FakeToolkit::BuildMainWindow(MainWindowControls controls, MainWindowInput& in) {
  input = &in;
  form = &controls.form;
  controls.form.AttachPeer(std::make_unique<FakeFormPeer>(*this));
  controls.cmbURL.AttachPeer(std::make_unique<FakeComboPeer>(*this));
}

std::unique_ptr<ControlPeer> FakeToolkit::CreateTabLabel(int, Control&) { return nullptr; }

std::unique_ptr<BrowserControl> FakeToolkit::CreateBrowser(int index, BrowserEvents&) {
  auto browser = std::make_unique<FakeBrowser>(index);
  browser->refuse_commands = new_browsers_refuse;
  browser->AttachPeer(std::make_unique<FakeBrowserPeer>(*this, index));
  browsers[index] = browser.get();
  ++browsers_created;
  return browser;
}

void FakeToolkit::WindowSystemAnswers() {
  int width = form->Width(), height = form->Height(), left = form->Left(), top = form->Top();
  if (form->GetWindowState() == kNormal) {
    if (was_maximized_) {
      // Back from maximized: the window manager gives the old frame back.
      was_maximized_ = false;
      left = normal_.left;
      top = normal_.top;
      width = normal_.width;
      height = normal_.height;
    }
    normal_ = {left, top, width, height};
  }
  if (form->GetWindowState() == kMaximized) {
    was_maximized_ = true;
    left = work_area.left;
    top = work_area.top;
    width = work_area.width;
    height = work_area.height;
  }
  int scale_width = std::max(0, width - kFrameWidth);
  int scale_height = std::max(0, height - kFrameHeight);
  if (form->GetWindowState() == kMinimized) scale_width = scale_height = 0;
  input->WindowChanged(left, top, width, height, scale_width, scale_height, form->GetWindowState());
}

void FakeToolkit::UserResizes(int width, int height) {
  input->WindowChanged(form->Left(), form->Top(), width, height, std::max(0, width - kFrameWidth),
                       std::max(0, height - kFrameHeight), form->GetWindowState());
}

void FakeToolkit::UserMinimizes() {
  input->WindowChanged(form->Left(), form->Top(), form->Width(), form->Height(), 0, 0, kMinimized);
}

FakeBrowser& FakeToolkit::Browser(int index) {
  auto it = browsers.find(index);
  if (it == browsers.end()) throw std::logic_error("no live browser " + std::to_string(index));
  return *it->second;
}

}  // namespace tabulon::testing
