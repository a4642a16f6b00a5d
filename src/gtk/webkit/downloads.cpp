#include "gtk/webkit/downloads.h"

#include <glib/gstdio.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <list>

#include "browsing/page_features.h"
#include "gtk/webkit/page_area.h"

namespace tabulon::gtk {

namespace {

// One download from the moment the engine starts it until it ends.
struct Job {
  WebKitDownload* download = nullptr;
  PageArea* area = nullptr;  // the tab it reports to; nullptr once closed
  std::string name;          // as shown to the user
  std::string path;          // where it is written, once chosen
  GtkWidget* dialog = nullptr;
  bool cancelled = false;
  bool created = false;  // the download made the file (it replaces nothing of the user's yet)
  int last_permille = -1;
};

std::list<Job>& Jobs() {
  static std::list<Job> jobs;
  return jobs;
}

Job* JobOf(WebKitDownload* download) {
  for (Job& job : Jobs()) {
    if (job.download == download) return &job;
  }
  return nullptr;
}

void Report(Job& job, const std::string& text) {
  if (job.area) job.area->ShowStatus(text);
}

void RemovePartialFile(const Job& job) {
  if (job.path.empty() || !job.created) return;
  g_unlink(job.path.c_str());
}

void DisconnectAll(WebKitDownload* download);

void End(WebKitDownload* download) {
  Jobs().remove_if([&](const Job& job) {
    if (job.download != download) return false;
    if (job.dialog) gtk_widget_destroy(job.dialog);
    DisconnectAll(download);
    g_object_unref(download);
    return true;
  });
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
  webkit_download_set_destination(download, uri ? uri : "");
  g_free(uri);
}

gboolean OnDecideDestination(WebKitDownload* download, gchar* suggested, gpointer) {
  Job* job = JobOf(download);
  if (!job) return FALSE;
  job->name = SafeDownloadName(suggested ? suggested : "");
  GtkWidget* view = GTK_WIDGET(webkit_download_get_web_view(download));
  GtkWidget* top = view ? gtk_widget_get_toplevel(view) : nullptr;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      "名前を付けて保存", GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr,
      GTK_FILE_CHOOSER_ACTION_SAVE, "キャンセル(_C)", GTK_RESPONSE_CANCEL, "保存(_S)",
      GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_current_folder(chooser, DownloadFolder().c_str());
  gtk_file_chooser_set_current_name(chooser, job->name.c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  job->dialog = dialog;
  g_signal_connect(dialog, "response", G_CALLBACK(OnSaveResponse), download);
  gtk_widget_show(dialog);
  return TRUE;  // the destination follows once the user has chosen
}

void OnCreatedDestination(WebKitDownload* download, gchar*, gpointer) {
  if (Job* job = JobOf(download)) job->created = true;
}

void OnReceivedData(WebKitDownload* download, guint64, gpointer) {
  Job* job = JobOf(download);
  if (!job || !job->area) return;
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
  }
  job->cancelled = true;
  // "finished" follows "failed"; the job ends there.
  RemovePartialFile(*job);
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
  job.download = WEBKIT_DOWNLOAD(g_object_ref(download));
  job.area = view ? PageArea::Of(view) : nullptr;
  Jobs().push_back(job);
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), nullptr);
  g_signal_connect(download, "created-destination", G_CALLBACK(OnCreatedDestination), nullptr);
  g_signal_connect(download, "received-data", G_CALLBACK(OnReceivedData), nullptr);
  g_signal_connect(download, "finished", G_CALLBACK(OnFinished), nullptr);
  g_signal_connect(download, "failed", G_CALLBACK(OnFailed), nullptr);
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

void CancelDownloadsOf(PageArea* area) {
  std::list<WebKitDownload*> mine;
  for (Job& job : Jobs()) {
    if (job.area == area && !job.cancelled) mine.push_back(job.download);
  }
  for (WebKitDownload* download : mine) {
    Job* job = JobOf(download);
    if (!job) continue;
    job->cancelled = true;
    Report(*job, DownloadCancelledText(job->name));
    if (job->dialog) {
      gtk_widget_destroy(job->dialog);
      job->dialog = nullptr;
    }
    webkit_download_cancel(download);
    if (Job* still = JobOf(download)) RemovePartialFile(*still);
  }
}

void ForgetArea(PageArea* area) {
  for (Job& job : Jobs()) {
    if (job.area == area) job.area = nullptr;
  }
}

}  // namespace tabulon::gtk
