#pragma once
#include <functional>
#include <string>

#include "platform/about_toolkit.h"
#include "platform/controls.h"

namespace tabulon {

inline constexpr const char* kAboutCaption = "Tabulonについて";
inline constexpr const char* kLinkToolTip = "QKSのホームページへ";
inline constexpr const char* kLinkFailedMessage = "ホームページが開けません";
// The page the first link's address leads to.
inline constexpr const char* kHomePageName = "index.html";
inline constexpr int kAboutClientWidth = 5580;
inline constexpr int kAboutClientHeight = 2535;
inline constexpr Colour kLinkColour = 0x00FF0000;  // blue
inline constexpr Colour kRuleLight = 0x00FFFFFF;
inline constexpr Colour kRuleShadow = 0x00808080;

// "Tabulon Ver 1.0.3" for version 1, 0, 3.
std::string VersionText(int major, int minor, int revision);

// The about box: the program's name and version, the maker, and two links
// that open the maker's pages in new tabs of the main window. Keeps no state
// beyond one showing.
class frmQKSinfo final : public AboutInput {
 public:
  using OpenInNewTab = std::function<void(const std::string& address)>;
  frmQKSinfo(AboutToolkit& toolkit, OpenInNewTab open_url_new_tab);
  ~frmQKSinfo() override;
  frmQKSinfo(const frmQKSinfo&) = delete;
  frmQKSinfo& operator=(const frmQKSinfo&) = delete;

  // Loads the box and shows it modally; returns once it is closed.
  void ShowModal();
  bool Unloaded() const { return unloaded_; }

  void Form_Load();
  void Form_Click() override;
  void Form_KeyPress(int key_ascii);
  void ControlClick(const Control& control) override;
  void cmdOK_Click() override;
  void Label1_Click();
  void lblHomePage_Click();
  bool KeyPreview(int char_code) override;
  void CloseRequested() override;

  Form& Window() { return form_; }
  Control& picIcon() { return picIcon_; }
  AboutLabel& lblVersion() { return lblVersion_; }
  AboutLabel& lblDisclaimer() { return lblDisclaimer_; }
  AboutLabel& lblDescription() { return lblDescription_; }
  AboutLabel& Label2() { return Label2_; }
  const RuleLine& Line1(int index) const { return Line1_[index]; }
  AboutLabel& Label4() { return Label4_; }
  AboutLabel& Label1() { return Label1_; }
  AboutLabel& Label5() { return Label5_; }
  AboutLabel& lblHomePage() { return lblHomePage_; }
  Control& cmdOK() { return cmdOK_; }

 private:
  void OpenLink(const std::string& address);
  void Unload();

  AboutToolkit& toolkit_;
  OpenInNewTab open_url_new_tab_;
  bool unloaded_ = false;
  bool built_ = false;

  Form form_;
  Control picIcon_{180, 120, 540, 540};
  AboutLabel lblVersion_{810, 120, 4035, 315};
  AboutLabel lblDisclaimer_{810, 540, 4005, 285};
  AboutLabel lblDescription_{780, 930, 4065, 270};
  AboutLabel Label2_{780, 1290, 4725, 270};
  RuleLine Line1_[2] = {{60, 1650, 5538, 1650, kRuleLight, 2},
                        {60, 1650, 5538, 1650, kRuleShadow, 1}};
  AboutLabel Label4_{720, 1800, 1080, 180};
  AboutLabel Label1_{1920, 1800, 2340, 180};
  AboutLabel Label5_{720, 2100, 1020, 180};
  AboutLabel lblHomePage_{1920, 2100, 2220, 180};
  Control cmdOK_{4740, 2040, 780, 345};
};

}  // namespace tabulon
