#include "gtk/webkit/downloads.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <list>
#include <vector>

#include "browsing/page_features.h"
#include "gtk/guard.h"
#include "gtk/webkit/page_area.h"

namespace tabulon::gtk {

namespace {

// How long the end of the program waits for the engine to confirm that the
// downloads it cancelled have stopped writing.
constexpr gint64 kCancelWaitMicroseconds = 5 * G_USEC_PER_SEC;

// The engine writes a download to this file beside the chosen one and
// renames it when the transfer is complete.
constexpr char kPartialSuffix[] = ".wkdownload";

// One download from the moment the engine starts it until it ends.
struct Job {
  int id = 0;
  WebKitDownload* download = nullptr;
  PageArea* area = nullptr;  // the tab it reports to; nullptr once closed
  std::string name;          // as shown to the user
  std::string path;          // where it is written, once chosen
  GtkWidget* dialog = nullptr;
  bool held = false;            // waits for the page's 許可 or 拒否
  bool waiting_dialog = false;  // waits for the save dialog before it to close
  bool cancelled = false;
  bool created = false;  // the download made the file (it replaces nothing of the user's yet)
  int last_permille = -1;
};

std::list<Job>& Jobs() {
  static std::list<Job> jobs;
  return jobs;
}

DownloadEvents* g_events = nullptr;
int g_last_id = 0;

Job* JobOf(WebKitDownload* download) {
  for (Job& job : Jobs()) {
    if (job.download == download) return &job;
  }
  return nullptr;
}

Job* JobWithId(int id) {
  for (Job& job : Jobs()) {
    if (job.id == id) return &job;
  }
  return nullptr;
}

void Report(Job& job, const std::string& text) {
  if (job.area) job.area->ShowStatus(text);
}

template <typename Call>
void Tell(Call call) {
  if (g_events) Guarded([&] { call(*g_events); });
}

// What a download leaves on disk until it completes: the engine's partial
// file, and the chosen name once the engine has claimed it.
void RemoveFilesOf(const std::string& path, bool created) {
  if (path.empty()) return;
  g_unlink((path + kPartialSuffix).c_str());
  if (created) g_unlink(path.c_str());
}

void DisconnectAll(WebKitDownload* download);
void ShowNextDialog();

void End(WebKitDownload* download) {
  Jobs().remove_if([&](const Job& job) {
    if (job.download != download) return false;
    // The engine has stopped: what it made after the cancel goes too.
    if (job.cancelled) RemoveFilesOf(job.path, job.created);
    if (job.dialog) gtk_widget_destroy(job.dialog);
    DisconnectAll(download);
    g_object_unref(download);
    return true;
  });
  ShowNextDialog();
}

void OnSaveResponse(GtkDialog* dialog, gint response, gpointer data) {
  auto* download = static_cast<WebKitDownload*>(data);
  Job* job = JobOf(download);
  if (!job) return;
  job->dialog = nullptr;
  if (response == GTK_RESPONSE_ACCEPT) {
    gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    if (chosen) {
      job->path = chosen;
      gchar* base = g_path_get_basename(chosen);
      job->name = base;
      g_free(base);
      g_free(chosen);
    }
  }
  gtk_widget_destroy(GTK_WIDGET(dialog));
  ShowNextDialog();
  if (job->path.empty()) {
    // Nothing was written yet: cancelling here leaves no file behind.
    job->cancelled = true;
    Report(*job, DownloadCancelledText(job->name));
    webkit_download_cancel(download);
    return;
  }
  // The dialog has asked about replacing an existing file already.
  webkit_download_set_allow_overwrite(download, TRUE);
  gchar* uri = g_filename_to_uri(job->path.c_str(), nullptr, nullptr);
  Report(*job, DownloadStartedText(job->name));
  const int id = job->id;
  const std::string name = job->name, path = job->path;
  Tell([&](DownloadEvents& events) { events.DownloadStarted(id, name, path); });
  webkit_download_set_destination(download, uri ? uri : "");
  g_free(uri);
}

void OpenSaveDialog(Job& job) {
  WebKitDownload* download = job.download;
  GtkWidget* view = GTK_WIDGET(webkit_download_get_web_view(download));
  GtkWidget* top = view ? gtk_widget_get_toplevel(view) : nullptr;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      "名前を付けて保存", GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr,
      GTK_FILE_CHOOSER_ACTION_SAVE, "キャンセル(_C)", GTK_RESPONSE_CANCEL, "保存(_S)",
      GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_current_folder(chooser, DownloadFolder().c_str());
  gtk_file_chooser_set_current_name(chooser, job.name.c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  // Not modal: the window stays usable while a page's download waits.
  job.dialog = dialog;
  g_signal_connect(dialog, "response", G_CALLBACK(OnSaveResponse), download);
  gtk_widget_show(dialog);
}

// One save dialog at a time in the whole program: a page starting many
// downloads must not bury the window under dialogs.
void ShowNextDialog() {
  for (const Job& job : Jobs()) {
    if (job.dialog) return;
  }
  for (Job& job : Jobs()) {
    if (job.waiting_dialog && !job.cancelled) {
      job.waiting_dialog = false;
      OpenSaveDialog(job);
      return;
    }
  }
}

void CancelJob(Job& job);

gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer) {
  Job* job = JobOf(download);
  if (!job) return FALSE;
  job->name = SafeDownloadName(suggested ? suggested : "");
  switch (job->area ? job->area->DownloadArrived() : DownloadGate::Verdict::kAsk) {
    case DownloadGate::Verdict::kRefuse: CancelJob(*job); break;
    case DownloadGate::Verdict::kHold: job->held = true; break;
    case DownloadGate::Verdict::kAsk:
      job->waiting_dialog = true;
      ShowNextDialog();
      break;
  }
  return TRUE;  // the destination follows once the user has chosen
}

void OnCreatedDestination(WebKitDownload* download, gchar*, gpointer) {
  if (Job* job = JobOf(download)) job->created = true;
}

void OnReceivedData(WebKitDownload* download, guint64, gpointer) {
  Job* job = JobOf(download);
  if (!job || job->cancelled) return;
  const auto received =
      static_cast<std::int64_t>(webkit_download_get_received_data_length(download));
  WebKitURIResponse* response = webkit_download_get_response(download);
  const guint64 length = response ? webkit_uri_response_get_content_length(response) : 0;
  const std::int64_t total = length > 0 ? static_cast<std::int64_t>(length) : -1;
  const int id = job->id;
  Tell([&](DownloadEvents& events) { events.DownloadProgress(id, received, total); });
  if (!job->area) return;
  int permille = static_cast<int>(webkit_download_get_estimated_progress(download) * 1000.0);
  if (permille == job->last_permille) return;
  job->last_permille = permille;
  job->area->ShowProgress(permille);
}

void OnFinished(WebKitDownload* download, gpointer) {
  if (Job* job = JobOf(download)) {
    if (!job->cancelled) {
      if (job->area) job->area->ShowProgress(1000);
      Report(*job, DownloadDoneText(job->name));
      const int id = job->id;
      Tell([&](DownloadEvents& events) { events.DownloadFinished(id); });
    }
  }
  End(download);
}

void OnFailed(WebKitDownload* download, GError* error, gpointer) {
  Job* job = JobOf(download);
  if (!job) return;
  bool by_user = job->cancelled || g_error_matches(error, WEBKIT_DOWNLOAD_ERROR,
                                                   WEBKIT_DOWNLOAD_ERROR_CANCELLED_BY_USER);
  if (!job->cancelled) {
    Report(*job, by_user ? DownloadCancelledText(job->name) : DownloadFailedText(job->name));
    const int id = job->id;
    Tell([&](DownloadEvents& events) {
      if (by_user) {
        events.DownloadCancelled(id);
      } else {
        events.DownloadFailed(id);
      }
    });
  }
  job->cancelled = true;
  // "finished" follows "failed"; the job ends there.
  RemoveFilesOf(job->path, job->created);
}

void DisconnectAll(WebKitDownload* download) {
  g_signal_handlers_disconnect_by_func(download, reinterpret_cast<gpointer>(OnDecideDestination),
                                       nullptr);
  g_signal_handlers_disconnect_by_func(download, reinterpret_cast<gpointer>(OnCreatedDestination),
                                       nullptr);
  g_signal_handlers_disconnect_by_func(download, reinterpret_cast<gpointer>(OnReceivedData),
                                       nullptr);
  g_signal_handlers_disconnect_by_func(download, reinterpret_cast<gpointer>(OnFinished), nullptr);
  g_signal_handlers_disconnect_by_func(download, reinterpret_cast<gpointer>(OnFailed), nullptr);
}

void OnStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  WebKitWebView* view = webkit_download_get_web_view(download);
  Job job;
  job.id = ++g_last_id;
  job.download = WEBKIT_DOWNLOAD(g_object_ref(download));
  job.area = view ? PageArea::Of(view) : nullptr;
  Jobs().push_back(job);
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), nullptr);
  g_signal_connect(download, "created-destination", G_CALLBACK(OnCreatedDestination), nullptr);
  g_signal_connect(download, "received-data", G_CALLBACK(OnReceivedData), nullptr);
  g_signal_connect(download, "finished", G_CALLBACK(OnFinished), nullptr);
  g_signal_connect(download, "failed", G_CALLBACK(OnFailed), nullptr);
}

// Cancels a job. Whatever it wrote is removed now and again when the engine
// reports the end: the engine may still be writing when it is asked to stop.
void CancelJob(Job& job) {
  if (job.cancelled) return;
  job.cancelled = true;
  Report(job, DownloadCancelledText(job.name));
  job.held = job.waiting_dialog = false;
  const bool had_dialog = job.dialog != nullptr;
  if (had_dialog) {
    gtk_widget_destroy(job.dialog);
    job.dialog = nullptr;
  }
  WebKitDownload* download = job.download;
  webkit_download_cancel(download);
  if (Job* still = JobOf(download)) RemoveFilesOf(still->path, still->created);
  if (had_dialog) ShowNextDialog();
}

}  // namespace

std::string DownloadFolder() {
  const char* env = std::getenv("XDG_DOWNLOAD_DIR");
  if (env && *env) return env;
  const char* special = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  if (special && *special) return special;
  return g_get_home_dir();
}

void WatchDownloads(WebKitWebContext* context) {
  static const char kWatched[] = "tabulon-downloads-watched";
  if (!context || g_object_get_data(G_OBJECT(context), kWatched)) return;
  g_object_set_data(G_OBJECT(context), kWatched, GINT_TO_POINTER(1));
  g_signal_connect(context, "download-started", G_CALLBACK(OnStarted), nullptr);
}

void ReportDownloadsTo(DownloadEvents* events) { g_events = events; }

void ForgetArea(PageArea* area) {
  std::vector<WebKitDownload*> held;
  for (Job& job : Jobs()) {
    if (job.area != area) continue;
    // Those the user has not been asked about yet go with their tab.
    if (job.held || job.waiting_dialog) held.push_back(job.download);
    job.area = nullptr;
  }
  for (WebKitDownload* download : held) {
    if (Job* job = JobOf(download)) CancelJob(*job);
  }
}

void HeldDownloadsAnswered(PageArea* area, bool allow) {
  std::vector<WebKitDownload*> held;
  for (Job& job : Jobs()) {
    if (job.area == area && job.held) held.push_back(job.download);
  }
  for (WebKitDownload* download : held) {
    Job* job = JobOf(download);
    if (!job) continue;
    job->held = false;
    if (allow) {
      job->waiting_dialog = true;
    } else {
      CancelJob(*job);
    }
  }
  ShowNextDialog();
}

void EngineDownloads::Cancel(int id) {
  if (Job* job = JobWithId(id)) CancelJob(*job);
}

void EngineDownloads::CancelAll() {
  std::vector<WebKitDownload*> all;
  for (Job& job : Jobs()) all.push_back(job.download);
  for (WebKitDownload* download : all) {
    if (Job* job = JobOf(download)) CancelJob(*job);
  }
  // Quitting at once lost the race with the engine: its partial file and
  // the claimed name stayed behind. Each job removes its files when the
  // engine reports that it has stopped.
  const gint64 deadline = g_get_monotonic_time() + kCancelWaitMicroseconds;
  auto waiting = [&] {
    for (WebKitDownload* download : all) {
      if (JobOf(download)) return true;
    }
    return false;
  };
  while (waiting() && g_get_monotonic_time() < deadline) {
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(5000);
  }
  // An engine that never answered: remove what it has made so far.
  for (WebKitDownload* download : all) {
    if (Job* job = JobOf(download)) RemoveFilesOf(job->path, job->created);
  }
}

}  // namespace tabulon::gtk
