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
  form_.SetCaption(CaptionSuffix());
  lblURL_.SetCaption("URL(&D)");
  lblURL_.SetBackColor(0xC0C0C0);
  StaMsg_.SetPanelText(2, "100%");
  BuildMenus();
}

frmMain::~frmMain() = default;

namespace {

// One command of the window's menus. `parent` names the menu it is added to:
// "" for the menu bar, "pop" for the popup menu, else an item added earlier.
// Menus and separators ("-") have no handler.
struct MenuCommand {
  const char* parent;
  const char* name;
  const char* caption;
  Shortcut shortcut;
  void (*handler)(frmMain&);
  bool checked = false;
};

// The menu bar and the popup menu, in the order they are shown. A handler
// names the window's own member function, so a mistyped one does not build.
// clang-format off
const MenuCommand kMenuCommands[] = {
    {"", "m_tab", "タブ(&T)", {}, nullptr},
    {"m_tab", "m_tab_new", "新タブを開く", {}, nullptr},
    {"m_tab_new", "m_tab_kara", "空タブを開く", {kVkInsert, kCtrl}, [](frmMain& f) { f.m_tab_kara_Click(); }},
    {"m_tab_new", "m_tab_copy", "現在のタブをコピー", {}, [](frmMain& f) { f.m_tab_copy_Click(); }},
    {"m_tab_new", "m_tab_clip", "クリップボードのURLから開く", {}, [](frmMain& f) { f.m_tab_clip_Click(); }},
    {"m_tab", "tab_line2", "-", {}, nullptr},
    {"m_tab", "m_tab1", "左のタブ(&L)", {kVkF2, 0}, [](frmMain& f) { f.m_tab1_Click(); }},
    {"m_tab", "m_tab2", "右のタブ(&R)", {kVkF3, 0}, [](frmMain& f) { f.m_tab2_Click(); }},
    {"m_tab", "m_tab3", "左端のタブ(&S)", {kVkF2, kCtrl}, [](frmMain& f) { f.m_tab3_Click(); }},
    {"m_tab", "m_tab4", "右端のタブ(&E)", {kVkF3, kCtrl}, [](frmMain& f) { f.m_tab4_Click(); }},
    {"m_tab", "m_tab_line", "-", {}, nullptr},
    {"m_tab", "m_clip", "URLをクリップボードにコピー(&X)", {}, [](frmMain& f) { f.m_clip_Click(); }},
    {"m_tab", "m_tab5", "閉じる(&C)", {}, [](frmMain& f) { f.m_tab5_Click(); }},
    {"m_tab", "m_tab_line2", "-", {}, nullptr},
    {"m_tab", "m_end", "Tabulonの終了(&Q)", {}, [](frmMain& f) { f.m_end_Click(); }},
    {"m_tab", "m_tab_line3", "-", {}, nullptr},
    {"m_tab", "m_tab_reopen", "閉じたタブを開く", {kVkT, kCtrl | kShift}, [](frmMain& f) { f.m_tab_reopen_Click(); }},
    {"m_tab", "m_tab_private", "プライベートウィンドウ", {kVkP, kCtrl | kShift}, [](frmMain& f) { f.m_tab_private_Click(); }},
    {"", "m_page", "ページ(&P)", {}, nullptr},
    {"m_page", "m_menu(1)", "戻る(&B)", {}, [](frmMain& f) { f.m_menu_Click(1); }},
    {"m_page", "m_menu(2)", "進む(&F)", {}, [](frmMain& f) { f.m_menu_Click(2); }},
    {"m_page", "m_menu(3)", "中止(&S)", {}, [](frmMain& f) { f.m_menu_Click(3); }},
    {"m_page", "m_menu(4)", "更新(&R)", {}, [](frmMain& f) { f.m_menu_Click(4); }},
    {"m_page", "m_menu(5)", "ホーム(&H)", {}, [](frmMain& f) { f.m_menu_Click(5); }},
    {"m_page", "m_menu(6)", "検索(&K)", {}, [](frmMain& f) { f.m_menu_Click(6); }},
    {"m_page", "m_page_line", "-", {}, nullptr},
    {"m_page", "m_page_block", "このサイトで広告をブロック", {}, [](frmMain& f) { f.m_page_block_Click(); }, true},
    {"", "m_all", "一括(&A)", {}, nullptr},
    {"m_all", "m_all_reload", "全タブ更新(&R)", {}, [](frmMain& f) { f.m_all_reload_Click(); }},
    {"m_all", "m_all_stop", "全タブ読込中止(&E)", {}, [](frmMain& f) { f.m_all_stop_Click(); }},
    {"m_all", "m_all_close", "全タブ閉じる(&C)", {}, [](frmMain& f) { f.m_all_close_Click(); }},
    {"", "m_view", "表示(&V)", {}, nullptr},
    {"m_view", "m_view_tab", "タブ(&T)", {}, [](frmMain& f) { f.m_view_tab_Click(); }, true},
    {"m_view", "m_view_sts", "ステータスバー(&S)", {}, [](frmMain& f) { f.m_view_sts_Click(); }, true},
    {"m_view", "m_view_URL", "URL(&U)", {}, [](frmMain& f) { f.m_view_URL_Click(); }, true},
    {"m_view", "m_view_line", "-", {}, nullptr},
    {"m_view", "m_view_full", "フルスクリーンモード", {kVkF11, 0}, [](frmMain& f) { f.m_view_full_Click(); }},
    {"", "m_sette", "設定(&S)", {}, nullptr},
    {"m_sette", "MnuOpt", "インターネットオプション(&O)", {}, [](frmMain& f) { f.MnuOpt_Click(); }},
    {"m_sette", "m_List", "URLリスト", {}, [](frmMain& f) { f.m_List_Click(); }},
    {"m_sette", "m_sette_line", "-", {}, nullptr},
    {"m_sette", "m_download", "ダウンロード(&D)", {kVkJ, kCtrl}, [](frmMain& f) { f.m_download_Click(); }},
    {"m_sette", "m_sette_line2", "-", {}, nullptr},
    {"m_sette", "m_history", "履歴(&H)", {kVkH, kCtrl}, [](frmMain& f) { f.m_history_Click(); }},
    {"", "m_help", "ヘルプ(&H)", {}, nullptr},
    {"m_help", "m_ver", "バージョン情報", {}, [](frmMain& f) { f.m_ver_Click(); }},
    {"pop", "pop_Clip", "URLをクリップボードにコピー", {}, [](frmMain& f) { f.pop_Clip_Click(); }},
    {"pop", "pop_Stop", "中止", {}, [](frmMain& f) { f.pop_Stop_Click(); }},
    {"pop", "pop_Reload", "更新", {}, [](frmMain& f) { f.pop_Reload_Click(); }},
    {"pop", "pop_close", "閉じる", {}, [](frmMain& f) { f.pop_close_Click(); }},
    {"pop", "popline", "-", {}, nullptr},
    {"pop", "pop_cansel", "ｷｬﾝｾﾙ", {}, [](frmMain& f) { f.pop_cansel_Click(); }},
};
// clang-format on

}  // namespace

void frmMain::BuildMenus() {
  pop_menu_.SetVisible(false);
  for (const MenuCommand& command : kMenuCommands) {
    const std::string parent = command.parent;
    MenuItem& menu = parent.empty() ? menu_bar_ : parent == "pop" ? pop_menu_ : Menu(parent);
    MenuItem& item = menu.Add(command.name, command.caption, command.shortcut);
    if (command.checked) item.SetChecked(true);
    if (command.handler) item.Click = [this, handler = command.handler] { handler(*this); };
  }
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
