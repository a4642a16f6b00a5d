#include <gtk/gtkunixprint.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "gtk/webkit/page_area.h"
#include "gtk/webkit/webkit_browser.h"
#include "harness.h"

namespace tabulon::integration {
namespace {

// Responses the plain loopback pages cannot give: headers of their own, a
// body that never ends, a login.
class SpecialServer {
 public:
  using Handler = std::function<void(SoupServerMessage*)>;
  SpecialServer() : server_(soup_server_new(nullptr, nullptr)) {
    soup_server_add_handler(server_, nullptr, &SpecialServer::Handle, this, nullptr);
    soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, nullptr);
    GSList* uris = soup_server_get_uris(server_);
    if (uris) port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
  }
  ~SpecialServer() {
    soup_server_disconnect(server_);
    g_object_unref(server_);
  }
  void On(const std::string& path, Handler handler) { handlers_[path] = std::move(handler); }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  SoupServer* Raw() { return server_; }
  int Hits(const std::string& path) const {
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
  }

 private:
  static void Handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer self) {
    auto* s = static_cast<SpecialServer*>(self);
    ++s->hits_[path];
    auto it = s->handlers_.find(path);
    if (it == s->handlers_.end()) {
      soup_server_message_set_status(msg, 404, nullptr);
      return;
    }
    it->second(msg);
  }
  SoupServer* server_;
  int port_ = 0;
  std::map<std::string, Handler> handlers_;
  std::map<std::string, int> hits_;
};

void Keys(const std::string& keys) {
  std::string command = "xdotool key --clearmodifiers " + keys;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

void Type(const std::string& text) {
  std::string command = "xdotool type --delay 30 '" + text + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

long long SizeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

int EntriesIn(const std::string& folder) {
  GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
  if (!dir) return -1;
  int n = 0;
  while (g_dir_read_name(dir)) ++n;
  g_dir_close(dir);
  return n;
}

std::string Listing(const std::string& folder) {
  std::string names;
  GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
  if (!dir) return "(no folder)";
  while (const char* name = g_dir_read_name(dir)) names += std::string(" ") + name;
  g_dir_close(dir);
  return "left:" + names;
}

// The first shown top-level window of a GTK type, nullptr when none is.
template <typename Check>
GtkWidget* ShownWindow(Check is_type) {
  GList* all = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* l = all; l && !found; l = l->next) {
    auto* w = static_cast<GtkWidget*>(l->data);
    if (is_type(w) && gtk_widget_get_visible(w)) found = w;
  }
  g_list_free(all);
  return found;
}

std::string Chosen(gchar* owned) {
  std::string text = owned ? owned : "";
  g_free(owned);
  return text;
}

GtkWidget* SaveDialog() {
  return ShownWindow([](GtkWidget* w) { return GTK_IS_FILE_CHOOSER_DIALOG(w); });
}

// The save dialog, once it shows the folder it opened in (it reads the
// folder in the background, as a user would see).
GtkFileChooser* SaveDialogIn(const std::string& folder) {
  GtkFileChooser* chooser = nullptr;
  PumpUntil([&] {
    GtkWidget* dialog = SaveDialog();
    if (!dialog) return false;
    chooser = GTK_FILE_CHOOSER(dialog);
    return Chosen(gtk_file_chooser_get_current_folder(chooser)) == folder;
  });
  return chooser;
}

// A question box answered as soon as it shows; it runs a loop of its own.
struct Question {
  GtkResponseType answer;
  bool answered = false;
  std::string text;
};

std::shared_ptr<Question> AnswerNextQuestion(GtkResponseType answer) {
  auto question = std::make_shared<Question>(Question{answer, false, ""});
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, 50,
      [](gpointer data) -> gboolean {
        Question& q = **static_cast<std::shared_ptr<Question>*>(data);
        GtkWidget* box = ShownWindow([](GtkWidget* w) { return GTK_IS_MESSAGE_DIALOG(w); });
        if (!box) return G_SOURCE_CONTINUE;
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        q.text = Chosen(text);
        q.answered = true;
        gtk_dialog_response(GTK_DIALOG(box), q.answer);
        return G_SOURCE_REMOVE;
      },
      new std::shared_ptr<Question>(question),
      [](gpointer data) { delete static_cast<std::shared_ptr<Question>*>(data); });
  return question;
}

class PageArea : public ::testing::Test {
 protected:
  LoopbackServer server;
  SpecialServer special;
  std::string config = TempFolder();
  std::string downloads = TempFolder() + "/Downloads";
  std::unique_ptr<BrowserRun> run;
  std::vector<guint> timers;

  void SetUp() override {
    g_mkdir_with_parents(downloads.c_str(), 0700);
    setenv("XDG_DOWNLOAD_DIR", downloads.c_str(), 1);
    server.Serve("/page", "<html><head><title>page</title></head><body>page</body></html>");
  }
  void TearDown() override {
    for (guint timer : timers) {
      if (GSource* source = g_main_context_find_source_by_id(nullptr, timer)) {
        g_source_destroy(source);
      }
    }
    run.reset();
    unsetenv("XDG_DOWNLOAD_DIR");
  }
  void Start(const std::string& address) {
    run = std::make_unique<BrowserRun>(config, address);
    ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
  }
  gtk::WebKitBrowser& Browser(int tab) {
    return static_cast<gtk::WebKitBrowser&>(run->main().BrowserOfTab(tab));
  }
  gtk::PageArea& Area(int tab) { return *gtk::PageArea::Of(Browser(tab).View()); }
  std::string Panel1() { return run->main().StaMsg().PanelText(1); }
  void FocusPage(int tab) {
    ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
    GtkWidget* view = GTK_WIDGET(Browser(tab).View());
    gtk_widget_grab_focus(view);
    ASSERT_TRUE(PumpUntil([&] { return gtk_widget_has_focus(view); }));
  }
  // A body that announces 100 MB and trickles in, 64 KB every 100 ms: a
  // download that runs until it is stopped.
  void ServeEndless(const std::string& path) {
    special.On(path, [this](SoupServerMessage* msg) {
      soup_server_message_set_status(msg, 200, nullptr);
      SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
      soup_message_headers_set_content_type(headers, "application/octet-stream", nullptr);
      soup_message_headers_set_content_length(headers, 100000000);
      AppendChunk(msg);
      // The feed stops with the message: the client may go at any time.
      g_signal_connect(msg, "finished", G_CALLBACK(+[](SoupServerMessage* m, gpointer) {
                         g_object_set_data(G_OBJECT(m), "ended", GINT_TO_POINTER(1));
                       }),
                       nullptr);
      timers.push_back(g_timeout_add_full(
          G_PRIORITY_DEFAULT, 100,
          [](gpointer m) -> gboolean {
            if (g_object_get_data(G_OBJECT(m), "ended")) return G_SOURCE_REMOVE;
            AppendChunk(static_cast<SoupServerMessage*>(m));
            return G_SOURCE_CONTINUE;
          },
          g_object_ref(msg), g_object_unref));
    });
  }
  static void AppendChunk(SoupServerMessage* msg) {
    static const std::string chunk(65536, 'y');
    soup_message_body_append(soup_server_message_get_response_body(msg), SOUP_MEMORY_STATIC,
                             chunk.data(), chunk.size());
    soup_server_message_unpause(msg);
  }
  // Accepts the save dialog for an endless download; its id in the
  // downloads window once its file exists, or -1.
  int StartEndlessDownload(const std::string& path) {
    Browser(1).Navigate2(special.Url(path));
    if (!SaveDialogIn(downloads)) return -1;
    gtk_dialog_response(GTK_DIALOG(SaveDialog()), GTK_RESPONSE_ACCEPT);
    const std::string name = path.substr(path.rfind('/') + 1);
    int id = -1;
    PumpUntil([&] {
      id = run->downloads_window->LineNamed(name);
      return id > 0 && EntriesIn(downloads) > 0 && Row(id).size != "0 バイト";
    });
    return id;
  }
  const DownloadRow& Row(int id) {
    static const DownloadRow none;
    const DownloadRow* row = run->app->Downloads()->Row(id);
    return row ? *row : none;
  }
  void ServeFile(const std::string& path, const std::string& body,
                 const std::string& disposition = "") {
    special.On(path, [body, disposition](SoupServerMessage* msg) {
      soup_server_message_set_status(msg, 200, nullptr);
      if (!disposition.empty()) {
        soup_message_headers_append(soup_server_message_get_response_headers(msg),
                                    "Content-Disposition", disposition.c_str());
      }
      soup_server_message_set_response(msg, "application/octet-stream", SOUP_MEMORY_COPY,
                                       body.data(), body.size());
    });
  }
};

TEST_F(PageArea, ServedFileIsSavedWhereTheDialogProposesAndReportedInPanel1) {
  const std::string body(200000, 'x');
  ServeFile("/files/report.bin", body);
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "))
      << run->main().Window().Caption() << " " << Browser(1).LocationURL();
  Browser(1).Navigate2(special.Url("/files/report.bin"));
  GtkFileChooser* chooser = SaveDialogIn(downloads);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(Chosen(gtk_file_chooser_get_current_folder(chooser)), downloads);
  EXPECT_EQ(Chosen(gtk_file_chooser_get_current_name(chooser)), "report.bin");
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  const std::string saved = downloads + "/report.bin";
  ASSERT_TRUE(PumpUntil([&] { return Panel1() == "ダウンロード完了: report.bin"; })) << Panel1();
  EXPECT_EQ(SizeOf(saved), static_cast<long long>(body.size()));
  EXPECT_EQ(EntriesIn(downloads), 1) << "no leftovers beside the file";
  EXPECT_EQ(run->main().StaMsg().PanelText(2), "100%");
  // The page the download came from is still shown.
  EXPECT_EQ(Browser(1).LocationURL(), server.Url("/page"));
}

TEST_F(PageArea, HostileSuggestedNameStaysInsideTheChosenFolder) {
  ServeFile("/evil", "owned", "attachment; filename=\"../../escape\x01.sh\"");
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  Browser(1).Navigate2(special.Url("/evil"));
  GtkFileChooser* chooser = SaveDialogIn(downloads);
  ASSERT_NE(chooser, nullptr);
  std::string name = Chosen(gtk_file_chooser_get_current_name(chooser));
  EXPECT_EQ(name.find('/'), std::string::npos) << name;
  EXPECT_EQ(name.find('\x01'), std::string::npos) << name;
  EXPECT_NE(name.front(), '.') << name;
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(PumpUntil([&] { return Panel1().rfind("ダウンロード完了: ", 0) == 0; })) << Panel1();
  EXPECT_EQ(SizeOf(downloads + "/" + name), 5);
  EXPECT_FALSE(Exists(downloads + "/../escape.sh"));
  EXPECT_FALSE(Exists(downloads + "/../../escape.sh"));
}

TEST_F(PageArea, CancellingTheSaveDialogWritesNothing) {
  ServeFile("/files/report.bin", std::string(1000, 'x'));
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  Browser(1).Navigate2(special.Url("/files/report.bin"));
  ASSERT_TRUE(PumpUntil([] { return SaveDialog() != nullptr; }));
  gtk_dialog_response(GTK_DIALOG(SaveDialog()), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(PumpUntil([&] { return Panel1() == "ダウンロード中止: report.bin"; })) << Panel1();
  Pump(300);
  EXPECT_EQ(EntriesIn(downloads), 0);
}

TEST_F(PageArea, StopLeavesADownloadRunningAndTheDownloadsWindowCancelsIt) {
  ServeEndless("/endless.bin");
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  const int id = StartEndlessDownload("/endless.bin");
  ASSERT_GT(id, 0);
  run->main().Menu("m_menu(3)").Click();
  run->main().Menu("pop_Stop").Click();
  run->main().Menu("m_all_stop").Click();
  // The transfer goes on: more data arrives after every Stop.
  const std::string size = Row(id).size;
  ASSERT_TRUE(PumpUntil([&] { return Row(id).size != size; })) << size;
  EXPECT_EQ(Row(id).state, "ダウンロード中");
  EXPECT_EQ(Panel1(), "ダウンロード中: endless.bin");

  Gtk::MenuItem* item = FindMenuItem(run->toolkit->Window(), "ダウンロード(_D)");
  ASSERT_NE(item, nullptr);
  guint key = 0;
  Gdk::ModifierType mods{};
  static_cast<Gtk::AccelLabel*>(item->get_child())->get_accel(key, mods);
  EXPECT_EQ(key, GDK_KEY_j) << "the menu shows Ctrl+J";
  EXPECT_EQ(mods, Gdk::CONTROL_MASK);
  ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
  Keys("ctrl+j");
  Gtk::Window& window = run->downloads_window->Window();
  ASSERT_TRUE(PumpUntil([&] { return window.get_mapped(); }));
  EXPECT_TRUE(run->toolkit->Window().get_sensitive()) << "the main window stays usable";
  EXPECT_EQ(run->downloads_window->StateText(id), "ダウンロード中");
  EXPECT_FALSE(run->downloads_window->OpenButton(id)->get_sensitive());
  run->downloads_window->CancelButton(id)->clicked();
  ASSERT_TRUE(PumpUntil([&] { return EntriesIn(downloads) == 0; })) << Listing(downloads);
  EXPECT_EQ(run->downloads_window->StateText(id), "中止");
  EXPECT_FALSE(run->downloads_window->CancelButton(id)->get_sensitive());
  EXPECT_EQ(Panel1(), "ダウンロード中止: endless.bin");
  Pump(500);
  EXPECT_EQ(EntriesIn(downloads), 0) << Listing(downloads);
}

TEST_F(PageArea, QuittingDuringADownloadAsksAndLeavesNoFileBehind) {
  ServeEndless("/endless.bin");
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  ASSERT_GT(StartEndlessDownload("/endless.bin"), 0);
  auto no = AnswerNextQuestion(GTK_RESPONSE_NO);
  gtk_window_close(run->toolkit->Window().gobj());
  ASSERT_TRUE(PumpUntil([&] { return no->answered; }));
  EXPECT_EQ(no->text, "ダウンロード中のファイルがあります。中止して終了しますか?");
  Pump(300);
  EXPECT_FALSE(run->ended);
  EXPECT_GT(EntriesIn(downloads), 0);

  auto yes = AnswerNextQuestion(GTK_RESPONSE_YES);
  run->main().Menu("m_end").Click();
  EXPECT_TRUE(yes->answered);
  EXPECT_TRUE(run->ended);
  EXPECT_EQ(EntriesIn(downloads), 0) << Listing(downloads);
  run.reset();
  Pump(500);
  EXPECT_EQ(EntriesIn(downloads), 0) << Listing(downloads);
}

// Straight after an address was entered, the focus is in the URL box: find
// works from there, and its bar takes a row below the page instead of
// covering the page's top.
int ShownSaveDialogs() {
  int n = 0;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) {
    auto* w = static_cast<GtkWidget*>(l->data);
    n += GTK_IS_FILE_CHOOSER_DIALOG(w) && gtk_widget_get_visible(w);
  }
  g_list_free(all);
  return n;
}

// A page starting download after download: the first, which follows the
// user's opening of the page, asks where to save; the rest are held at a
// question over the page, never more than one save dialog is open, and the
// window answers throughout. Refused, the page's downloads are dropped.
TEST_F(PageArea, ADownloadFloodIsHeldAndRefusedWithOneSaveDialogAtMost) {
  ServeFile("/files/flood.bin", std::string(1000, 'x'), "attachment");
  std::string frames;
  for (int i = 0; i < 20; ++i) {
    frames +=
        "<iframe src='" + special.Url("/files/flood.bin?" + std::to_string(i)) + "'></iframe>";
  }
  server.Serve("/flood",
               "<html><head><title>flood</title></head><body>" + frames + "</body></html>");
  Start(server.Url("/flood"));
  ASSERT_TRUE(PumpUntil([&] { return Area(1).DownloadQuestion().Asking(); }));
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  EXPECT_EQ(ShownSaveDialogs(), 1);
  ASSERT_TRUE(PresentAndWaitForFocus(run->toolkit->Window()));
  Keys("ctrl+n");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));

  Area(1).DownloadQuestion().Answer(false);
  gtk_dialog_response(GTK_DIALOG(SaveDialog()), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  // The connections the held ones kept are free: the page's other
  // downloads arrive now, and are dropped.
  ASSERT_TRUE(PumpUntil([&] { return special.Hits("/files/flood.bin") == 20; }))
      << special.Hits("/files/flood.bin");
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  EXPECT_EQ(ShownSaveDialogs(), 0);
  EXPECT_FALSE(Area(1).DownloadQuestion().Asking());
  EXPECT_EQ(EntriesIn(downloads), 0);
}

TEST_F(PageArea, FindBarOpensFromTheUrlBoxHidesNothingAndEscClosesIt) {
  server.Serve("/words",
               "<html><head><title>words</title></head><body style='margin:0'>"
               "<div style='height:60px;background:#ff0000'></div>apple banana Apple "
               "<p>cherry apple</p><p>pineapple</p></body></html>");
  Start(server.Url("/words"));
  ASSERT_TRUE(run->WaitForCaption("words - Tabulon - "));
  Gtk::Window& window = run->toolkit->Window();
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(window));
  GtkWidget* view = GTK_WIDGET(Browser(1).View());
  const int page_height = gtk_widget_get_allocated_height(view);
  int x = 0, y = 0;
  ScreenOrigin(view, x, y);
  const int width = gtk_widget_get_allocated_width(view) - 20;  // clear of a scroll bar
  ASSERT_TRUE(WaitUntilSettled(window));
  ASSERT_GT(ShareOfColour(x, y, width, 60, 0xff0000), 0.99) << "the band is drawn";

  Keys("ctrl+f");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).Finder().OnScreen(); }));
  Type("apple");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).Finder().CountText() == "4 件"; }))
      << Area(1).Finder().CountText();
  ASSERT_TRUE(WaitUntilSettled(window));
  EXPECT_GT(ShareOfColour(x, y, width, 60, 0xff0000), 0.99) << "the bar covers the page's top";
  EXPECT_EQ(gtk_widget_get_allocated_height(view), page_height - Area(1).Finder().Height());
  Type("x");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).Finder().CountText() == "見つかりません"; }))
      << Area(1).Finder().CountText();
  Keys("Escape");
  ASSERT_TRUE(PumpUntil([&] { return !Area(1).Finder().IsOpen(); }));
  EXPECT_TRUE(gtk_widget_has_focus(view));
  ASSERT_TRUE(WaitUntilSettled(window));
  EXPECT_EQ(gtk_widget_get_allocated_height(view), page_height);
}

TEST_F(PageArea, ZoomChangesTheCurrentTabOnly) {
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  run->main().NewPage(server.Url("/page"));
  ASSERT_TRUE(PumpUntil([&] { return Browser(2).LocationURL() == server.Url("/page"); }));
  // From the URL box, as from the page.
  Keys("alt+d");
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window()));
  Keys("ctrl+plus");
  Keys("ctrl+equal");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).ZoomLevel() > 1.2; }));
  EXPECT_DOUBLE_EQ(Area(1).ZoomLevel(), 1.25);
  EXPECT_DOUBLE_EQ(Area(2).ZoomLevel(), 1.0);
  EXPECT_EQ(Panel1(), "拡大率: 125%");
  Keys("ctrl+minus");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).ZoomLevel() < 1.2; }));
  EXPECT_DOUBLE_EQ(Area(1).ZoomLevel(), 1.1);
  EXPECT_DOUBLE_EQ(Area(2).ZoomLevel(), 1.0);
}

TEST_F(PageArea, CtrlWheelZoomsThePageUnderThePointer) {
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  FocusPage(1);
  GtkAllocation a;
  gtk_widget_get_allocation(GTK_WIDGET(Browser(1).View()), &a);
  int x = 0, y = 0;
  gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(Browser(1).View())), &x, &y);
  std::string move = "xdotool mousemove " + std::to_string(x + a.width / 2) + " " +
                     std::to_string(y + a.height / 2) + " keydown ctrl click 4 keyup ctrl";
  ASSERT_EQ(std::system(move.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return Area(1).ZoomLevel() > 1.05; }));
  EXPECT_DOUBLE_EQ(Area(1).ZoomLevel(), 1.1);
}

TEST_F(PageArea, CtrlZeroStaysTheWindowsFavouriteKeyAndLeavesTheZoom) {
  server.Serve("/fav10", "<html><head><title>fav10</title></head></html>");
  Start(server.Url("/page"));
  run->state.UrlList[10].Url = server.Url("/fav10");
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  FocusPage(1);
  Keys("ctrl+plus");
  ASSERT_TRUE(PumpUntil([&] { return Area(1).ZoomLevel() > 1.05; }));
  Keys("ctrl+0");
  ASSERT_TRUE(PumpUntil([&] { return run->state.TabCount == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return Browser(2).LocationURL() == server.Url("/fav10"); }));
  EXPECT_DOUBLE_EQ(Area(1).ZoomLevel(), 1.1);
}

TEST_F(PageArea, PrintingToAFileMakesANonEmptyPdf) {
  server.Serve("/print",
               "<html><head><title>print</title></head><body><h1>印刷</h1></body></html>");
  Start(server.Url("/print"));
  ASSERT_TRUE(run->WaitForCaption("print - Tabulon - "));
  FocusPage(1);
  const std::string pdf = downloads + "/page.pdf";
  struct Answer {
    std::string uri;
    bool done = false;
  } answer{Chosen(g_filename_to_uri(pdf.c_str(), nullptr, nullptr))};
  // The print dialog runs its own loop: it is answered from a timer.
  guint timer = g_timeout_add(
      100,
      [](gpointer data) -> gboolean {
        auto* a = static_cast<Answer*>(data);
        GtkWidget* w = ShownWindow([](GtkWidget* w) { return GTK_IS_PRINT_UNIX_DIALOG(w); });
        if (!w) return G_SOURCE_CONTINUE;
        auto* dialog = GTK_PRINT_UNIX_DIALOG(w);
        GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(dialog);
        gtk_print_settings_set_printer(settings, "Print to File");
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, a->uri.c_str());
        gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
        gtk_print_unix_dialog_set_settings(dialog, settings);
        g_object_unref(settings);
        GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog);
        if (!printer || !gtk_printer_is_virtual(printer)) return G_SOURCE_CONTINUE;
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        a->done = true;
        return G_SOURCE_REMOVE;
      },
      &answer);
  Keys("ctrl+p");
  bool answered = PumpUntil([&] { return answer.done; });
  if (!answered) g_source_remove(timer);
  ASSERT_TRUE(answered);
  std::string head;
  EXPECT_TRUE(PumpUntil([&] {
    std::ifstream in(pdf, std::ios::binary);
    head.assign(5, '\0');
    in.read(head.data(), 5);
    return SizeOf(pdf) > 1000 && head == "%PDF-";
  })) << SizeOf(pdf)
      << " bytes beginning " << head;
}

// The print dialog leaves the window working: with it open, a new tab
// opens and the window closes.
TEST_F(PageArea, ThePrintDialogLeavesTheWindowFreeToClose) {
  server.Serve("/print", "<html><head><title>print</title></head><body>p</body></html>");
  Start(server.Url("/print"));
  ASSERT_TRUE(run->WaitForCaption("print - Tabulon - "));
  FocusPage(1);
  Keys("ctrl+p");
  // A dialog running a loop of its own would not let this wait return.
  ASSERT_TRUE(PumpUntil(
      [] { return ShownWindow([](GtkWidget* w) { return GTK_IS_PRINT_UNIX_DIALOG(w); }); }));
  run->main().NewTab();
  EXPECT_EQ(run->state.TabCount, 2);
  gtk_window_close(run->toolkit->Window().gobj());
  EXPECT_TRUE(PumpUntil([&] { return run->ended; }, 5000));
}

TEST_F(PageArea, AlertAppearsAndIsDismissedWithEnter) {
  server.Serve("/alert",
               "<html><head><title>before</title></head><body><script>"
               "setTimeout(function(){ alert('こんにちは'); document.title = 'after'; }, 300);"
               "</script></body></html>");
  Start(server.Url("/alert"));
  ASSERT_TRUE(run->WaitForCaption("before - Tabulon - "));
  // Drawn over the tab's page; the page waits for the user meanwhile.
  ASSERT_TRUE(PumpUntil([&] { return Area(1).Dialog().IsOpen(); }));
  EXPECT_EQ(Area(1).Dialog().Message(), "こんにちは");
  ASSERT_TRUE(WaitUntilSettled(run->toolkit->Window()));
  EXPECT_EQ(run->main().Window().Caption(), "before - Tabulon - ") << "the page waits for the user";
  Keys("Return");
  EXPECT_TRUE(run->WaitForCaption("after - Tabulon - "));
}

TEST_F(PageArea, PageBehindALoginAsksForCredentialsAndLoadsWithThem) {
  SoupAuthDomain* domain = soup_auth_domain_basic_new("realm", "Tabulon test", nullptr);
  soup_auth_domain_basic_set_auth_callback(
      domain,
      [](SoupAuthDomain*, SoupServerMessage*, const char* user, const char* password,
         gpointer) -> gboolean {
        return g_strcmp0(user, "taro") == 0 && g_strcmp0(password, "secret") == 0;
      },
      nullptr, nullptr);
  soup_auth_domain_add_path(domain, "/private");
  soup_server_add_auth_domain(special.Raw(), domain);
  g_object_unref(domain);
  special.On("/private", [](SoupServerMessage* msg) {
    static const char kPage[] = "<html><head><title>private</title></head><body>ok</body></html>";
    soup_server_message_set_status(msg, 200, nullptr);
    soup_server_message_set_response(msg, "text/html", SOUP_MEMORY_STATIC, kPage, sizeof kPage - 1);
  });
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  bool asked = false;
  g_signal_connect(
      Browser(1).View(), "authenticate",
      G_CALLBACK(+[](WebKitWebView*, WebKitAuthenticationRequest*, gpointer out) -> gboolean {
        *static_cast<bool*>(out) = true;
        return FALSE;  // the engine's own dialog asks
      }),
      &asked);
  Browser(1).Navigate2(special.Url("/private"));
  ASSERT_TRUE(PumpUntil([&] { return asked; }));
  ASSERT_TRUE(WaitForTextFocus(run->toolkit->Window(), GTK_WIDGET(Browser(1).View())));
  ASSERT_TRUE(WaitForNextFrame(run->toolkit->Window()));
  Type("taro");
  Keys("Tab");
  Type("secret");
  Keys("Return");
  EXPECT_TRUE(run->WaitForCaption("private - Tabulon - "));
}

}  // namespace
}  // namespace tabulon::integration
