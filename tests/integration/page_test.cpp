#include <gtk/gtkunixprint.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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

 private:
  static void Handle(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*,
                     gpointer self) {
    auto* s = static_cast<SpecialServer*>(self);
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

class PageArea : public ::testing::Test {
 protected:
  LoopbackServer server;
  SpecialServer special;
  std::string config = TempFolder();
  std::string downloads = TempFolder() + "/Downloads";
  std::unique_ptr<BrowserRun> run;

  void SetUp() override {
    g_mkdir_with_parents(downloads.c_str(), 0700);
    setenv("XDG_DOWNLOAD_DIR", downloads.c_str(), 1);
    server.Serve("/page", "<html><head><title>page</title></head><body>page</body></html>");
  }
  void TearDown() override {
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

TEST_F(PageArea, StoppingTheTabDuringATransferRemovesThePartialFile) {
  // A body that starts and never ends.
  special.On("/endless.bin", [](SoupServerMessage* msg) {
    soup_server_message_set_status(msg, 200, nullptr);
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
    soup_message_headers_set_content_type(headers, "application/octet-stream", nullptr);
    soup_message_headers_set_content_length(headers, 100000000);
    std::string chunk(65536, 'y');
    soup_message_body_append(soup_server_message_get_response_body(msg), SOUP_MEMORY_COPY,
                             chunk.data(), chunk.size());
  });
  Start(server.Url("/page"));
  ASSERT_TRUE(run->WaitForCaption("page - Tabulon - "));
  Browser(1).Navigate2(special.Url("/endless.bin"));
  ASSERT_NE(SaveDialogIn(downloads), nullptr);
  gtk_dialog_response(GTK_DIALOG(SaveDialog()), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(PumpUntil([&] { return EntriesIn(downloads) > 0; }));
  ASSERT_TRUE(PumpUntil([&] { return run->main().StaMsg().PanelText(2) == "0%"; }))
      << "progress shows while the transfer runs: " << run->main().StaMsg().PanelText(2);
  Browser(1).Stop();
  ASSERT_TRUE(PumpUntil([&] { return EntriesIn(downloads) == 0; }));
  EXPECT_EQ(Panel1(), "ダウンロード中止: endless.bin");
}

// Straight after an address was entered, the focus is in the URL box: find
// works from there, and its bar takes a row below the page instead of
// covering the page's top.
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
