#include "mainwindow/frm_main.h"

#include "base/keys.h"
#include "base/val.h"

namespace tabulon {

frmMain::frmMain(AppState& state, MainWindowToolkit& toolkit, MainWindowServices services)
    : state_(state),
      toolkit_(toolkit),
      services_(services),
      form_(0, 0, 8085, 6285),
      picTab_(0, 0, 8085, kTabStripHeight),
      picURL_(0, kTabStripHeight, 8085, kUrlBarHeight),
      lblURL_(60, 30, 585, 195),
      cmbURL_(690, 0, 7250, 300),
      StaMsg_(0, 6015, 8085, 270),
      dock_order_{&picTab_, &picURL_},
      lblTab_("lblTab",
              [this](int index) {
                auto label = std::make_unique<Control>(-15, 60, 15, 210);
                if (index == 0) {
                  label->SetBackColor(kOtherTabColour);
                  label->SetForeColor(0);
                  label->SetTag("0");
                } else {
                  label->CopyDesignFrom(lblTab_(0));
                }
                label->AttachPeer(toolkit_.CreateTabLabel(index, *label));
                return label;
              }),
      brwPage_("brwPage", [this](int index) {
        auto browser = toolkit_.CreateBrowser(index, *this);
        if (index == 0) {
          browser->SetVisible(false);
        } else {
          browser->CopyDesignFrom(brwPage_(0));
        }
        return browser;
      }) {
  form_.SetCaption(kCaptionSuffix);
  lblURL_.SetCaption("URL(&D)");
  lblURL_.SetBackColor(0xC0C0C0);
  StaMsg_.SetPanelText(2, "100%");
  BuildMenus();
  WireMenus();
}

frmMain::~frmMain() = default;

void frmMain::BuildMenus() {
  const Shortcut none{};
  MenuItem& tab = menu_bar_.Add("m_tab", "タブ(&T)");
  MenuItem& tab_new = tab.Add("m_tab_new", "新タブを開く");
  tab_new.Add("m_tab_kara", "空タブを開く", {kVkInsert, kCtrl});
  tab_new.Add("m_tab_copy", "現在のタブをコピー");
  tab_new.Add("m_tab_clip", "クリップボードのURLから開く");
  tab.Add("tab_line2", "-");
  tab.Add("m_tab1", "左のタブ(&L)", {kVkF2, 0});
  tab.Add("m_tab2", "右のタブ(&R)", {kVkF3, 0});
  tab.Add("m_tab3", "左端のタブ(&S)", {kVkF2, kCtrl});
  tab.Add("m_tab4", "右端のタブ(&E)", {kVkF3, kCtrl});
  tab.Add("m_tab_line", "-");
  tab.Add("m_clip", "URLをクリップボードにコピー(&X)");
  tab.Add("m_tab5", "閉じる(&C)");
  tab.Add("m_tab_line2", "-");
  tab.Add("m_end", "Tabulonの終了(&Q)");

  MenuItem& page = menu_bar_.Add("m_page", "ページ(&P)");
  const char* page_items[] = {"戻る(&B)", "進む(&F)",   "中止(&S)",
                              "更新(&R)", "ホーム(&H)", "検索(&K)"};
  for (int i = 1; i <= 6; ++i) {
    page.Add("m_menu(" + std::to_string(i) + ")", page_items[i - 1], none);
  }

  MenuItem& all = menu_bar_.Add("m_all", "一括(&A)");
  all.Add("m_all_reload", "全タブ更新(&R)");
  all.Add("m_all_stop", "全タブ読込中止(&E)");
  all.Add("m_all_close", "全タブ閉じる(&C)");

  MenuItem& view = menu_bar_.Add("m_view", "表示(&V)");
  view.Add("m_view_tab", "タブ(&T)").SetChecked(true);
  view.Add("m_view_sts", "ステータスバー(&S)").SetChecked(true);
  view.Add("m_view_URL", "URL(&U)").SetChecked(true);
  view.Add("m_view_line", "-");
  view.Add("m_view_full", "フルスクリーンモード", {kVkF11, 0});

  MenuItem& sette = menu_bar_.Add("m_sette", "設定(&S)");
  sette.Add("MnuOpt", "インターネットオプション(&O)");
  sette.Add("m_List", "URLリスト");

  MenuItem& help = menu_bar_.Add("m_help", "ヘルプ(&H)");
  help.Add("m_ver", "バージョン情報");

  pop_menu_.SetVisible(false);
  pop_menu_.Add("pop_Clip", "URLをクリップボードにコピー");
  pop_menu_.Add("pop_Stop", "中止");
  pop_menu_.Add("pop_Reload", "更新");
  pop_menu_.Add("pop_close", "閉じる");
  pop_menu_.Add("popline", "-");
  pop_menu_.Add("pop_cansel", "ｷｬﾝｾﾙ");
}

void frmMain::WireMenus() {
  Menu("m_tab_kara").Click = [this] { m_tab_kara_Click(); };
  Menu("m_tab_copy").Click = [this] { m_tab_copy_Click(); };
  Menu("m_tab_clip").Click = [this] { m_tab_clip_Click(); };
  Menu("m_tab1").Click = [this] { m_tab1_Click(); };
  Menu("m_tab2").Click = [this] { m_tab2_Click(); };
  Menu("m_tab3").Click = [this] { m_tab3_Click(); };
  Menu("m_tab4").Click = [this] { m_tab4_Click(); };
  Menu("m_tab5").Click = [this] { m_tab5_Click(); };
  Menu("m_view_tab").Click = [this] { m_view_tab_Click(); };
  Menu("m_view_sts").Click = [this] { m_view_sts_Click(); };
  Menu("m_view_URL").Click = [this] { m_view_URL_Click(); };
  Menu("m_view_full").Click = [this] { m_view_full_Click(); };
  for (int i = 1; i <= 6; ++i) {
    Menu("m_menu(" + std::to_string(i) + ")").Click = [this, i] { m_menu_Click(i); };
  }
  Menu("m_all_reload").Click = [this] { m_all_reload_Click(); };
  Menu("m_all_stop").Click = [this] { m_all_stop_Click(); };
  Menu("m_all_close").Click = [this] { m_all_close_Click(); };
  Menu("m_clip").Click = [this] { m_clip_Click(); };
  Menu("m_end").Click = [this] { m_end_Click(); };
  Menu("m_List").Click = [this] { m_List_Click(); };
  Menu("MnuOpt").Click = [this] { MnuOpt_Click(); };
  Menu("m_ver").Click = [this] { m_ver_Click(); };
  Menu("pop_Clip").Click = [this] { pop_Clip_Click(); };
  Menu("pop_Stop").Click = [this] { pop_Stop_Click(); };
  Menu("pop_Reload").Click = [this] { pop_Reload_Click(); };
  Menu("pop_close").Click = [this] { pop_close_Click(); };
  Menu("pop_cansel").Click = [this] { pop_cansel_Click(); };
}

MenuItem* frmMain::FindMenu(MenuItem& root, const std::string& name) {
  if (root.Name() == name) return &root;
  for (const auto& item : root.Items()) {
    if (MenuItem* found = FindMenu(*item, name)) return found;
  }
  return nullptr;
}

MenuItem& frmMain::Menu(const std::string& name) {
  MenuItem* item = FindMenu(menu_bar_, name);
  if (!item) item = FindMenu(pop_menu_, name);
  if (!item) throw ControlError("no menu item " + name);
  return *item;
}

MenuItem* frmMain::FindShortcut(MenuItem& root, Shortcut shortcut) {
  for (const auto& item : root.Items()) {
    if (item->GetShortcut().key != 0 && item->GetShortcut() == shortcut) return item.get();
    if (MenuItem* found = FindShortcut(*item, shortcut)) return found;
  }
  return nullptr;
}

BrowserControl& frmMain::BrowserOfTab(int position) const {
  return brwPage_(Val(lblTab_(position).Tag()));
}

void frmMain::SetCurrentColours(Control& label, bool current) {
  label.SetBackColor(current ? kCurrentTabColour : kOtherTabColour);
  label.SetFontBold(current);
}

void frmMain::Show() {
  Form_Initialize();
  toolkit_.ShowMainWindow();
}

}  // namespace tabulon
