#include "about/frm_qksinfo.h"

#include <exception>

#include "about/about_texts.h"

namespace tabulon {

std::string VersionText(int major, int minor, int revision) {
  return "Tabulon Ver " + std::to_string(major) + "." + std::to_string(minor) + "." +
         std::to_string(revision);
}

frmQKSinfo::frmQKSinfo(AboutToolkit& toolkit, OpenInNewTab open_url_new_tab)
    : toolkit_(toolkit), open_url_new_tab_(std::move(open_url_new_tab)) {
  form_.SetCaption(kAboutCaption);
  form_.FeedClientSize(kAboutClientWidth, kAboutClientHeight);
  lblDisclaimer_.SetCaption(kAboutNotice);
  lblDescription_.SetCaption(kAboutDescription);
  Label2_.SetCaption(kAboutRequirements);
  Label4_.SetCaption("QKSのページ");
  Label1_.SetCaption(kMakerHomePage);
  Label5_.SetCaption(kMakerName);
  lblHomePage_.SetCaption(kMakerSecondPage);
  for (AboutLabel* link_area : {&Label4_, &Label1_, &Label5_, &lblHomePage_}) {
    link_area->SetToolTipText(kLinkToolTip);
    link_area->SetPointer(MousePointer::Hand);
  }
  Label1_.SetForeColor(kLinkColour);
  lblHomePage_.SetForeColor(kLinkColour);
  cmdOK_.SetCaption("OK");
}

frmQKSinfo::~frmQKSinfo() {
  if (built_) toolkit_.Discard();
}

void frmQKSinfo::ShowModal() {
  Form_Load();
  toolkit_.BuildAbout({form_,
                       picIcon_,
                       {&lblVersion_, &lblDisclaimer_, &lblDescription_, &Label2_, &Label4_,
                        &Label1_, &Label5_, &lblHomePage_},
                       {&Line1_[0], &Line1_[1]},
                       cmdOK_},
                      *this);
  built_ = true;
  toolkit_.RunModal();
}

void frmQKSinfo::Form_Load() {
  lblVersion_.SetCaption(
      VersionText(TABULON_VERSION_MAJOR, TABULON_VERSION_MINOR, TABULON_VERSION_PATCH));
}

void frmQKSinfo::Unload() {
  // Enter reaches both the key handler and the default button; the box
  // closes once.
  if (unloaded_) return;
  unloaded_ = true;
  toolkit_.EndModal();
}

void frmQKSinfo::Form_Click() { Unload(); }

void frmQKSinfo::Form_KeyPress(int key_ascii) {
  if (key_ascii == 13) Unload();
}

bool frmQKSinfo::KeyPreview(int char_code) {
  Form_KeyPress(char_code);
  // OK is the default button (Enter) and the cancel button (Esc).
  if (char_code == 13 || char_code == 27) {
    cmdOK_Click();
    return true;
  }
  return false;
}

void frmQKSinfo::cmdOK_Click() { Unload(); }

void frmQKSinfo::CloseRequested() { Unload(); }

void frmQKSinfo::ControlClick(const Control& control) {
  // Only the two addresses are links; the labels beside them just show the
  // tool tip.
  if (&control == &Label1_) {
    Label1_Click();
  } else if (&control == &lblHomePage_) {
    lblHomePage_Click();
  }
}

void frmQKSinfo::Label1_Click() { OpenLink(std::string(kMakerHomePage) + kHomePageName); }

void frmQKSinfo::lblHomePage_Click() { OpenLink(lblHomePage_.Caption()); }

void frmQKSinfo::OpenLink(const std::string& address) {
  if (unloaded_) return;
  try {
    open_url_new_tab_(address);
  } catch (const std::exception&) {
    toolkit_.ShowMessage(kLinkFailedMessage, "");
    return;
  }
  Unload();
}

}  // namespace tabulon
