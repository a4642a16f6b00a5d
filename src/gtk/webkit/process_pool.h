#pragma once
#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "browsing/process_pool_rule.h"
#include "gtk/webkit/content_blocker.h"

namespace tabulon::gtk {

// The engine processes the tabs share, one a site up to the rule's cap.
// WebKit starts a process for a view made in the context and puts a view
// made as related to another into that one's process; the pool makes the
// first view of each process in the context and every later one related to
// a hidden view of the process the rule picks. A process lives while it has
// tabs: when its last tab closes the hidden view goes and WebKit ends it.
class ProcessPool {
 public:
  ProcessPool(WebKitWebContext* context, int processes);
  ~ProcessPool();
  ProcessPool(const ProcessPool&) = delete;
  ProcessPool& operator=(const ProcessPool&) = delete;

  // A new view, owned by the caller (the floating reference is sunk). The
  // template view belongs to no process of the pool and never loads.
  WebKitWebView* CreateView(bool is_template);
  // The next view made is for a tab that opens address: it goes to the
  // process of the address's site.
  void ExpectAddress(const std::string& address);
  // The view is about to be destroyed. trapped: its page was kept waiting on
  // a dialog; such a page may spin in its process (an endless run of
  // alerts that are now refused at once), so the process is asked whether
  // it still answers and ended when it does not, which frees the other tabs
  // it serves (their pages come back as after a crash).
  void ViewClosed(WebKitWebView* view, bool trapped = false);

  // While an opener is set, new views join its process: a page and the
  // pop-up it opens keep to one process.
  class OpenerScope {
   public:
    OpenerScope(ProcessPool& pool, WebKitWebView* opener) : pool_(pool), saved_(pool.opener_) {
      pool_.opener_ = opener;
    }
    ~OpenerScope() { pool_.opener_ = saved_; }
    OpenerScope(const OpenerScope&) = delete;
    OpenerScope& operator=(const OpenerScope&) = delete;

   private:
    ProcessPool& pool_;
    WebKitWebView* saved_;
  };

  // Ends the view's process now; its pages, the view's included, learn of
  // it as of a crash (Ending is true for them meanwhile).
  void EndProcessOf(WebKitWebView* view);
  // The blocker every tab's view is given to; the template is left out.
  void SetBlocker(ContentBlocker* blocker) { blocker_ = blocker; }
  ContentBlocker* Blocker() const { return blocker_; }

  // Which process slot a view is in, -1 for a view the pool does not know.
  int SlotOf(WebKitWebView* view) const;
  // Whether the view's process is being ended by the pool, which its pages
  // take as a crash.
  bool Ending(WebKitWebView* view) const {
    if (ending_slot_ == kOutsideSlot) return view == outside_view_;
    return ending_slot_ >= 0 && SlotOf(view) == ending_slot_;
  }

 private:
  static constexpr int kOutsideSlot = -2;
  WebKitWebView* outside_view_ = nullptr;
  struct Member {
    WebKitWebView* view;
    int slot;
    bool counts;  // false for the template
  };
  static WebKitWebView* NewView(const char* property, gpointer value);
  void Probe(int slot);
  void EndSlot(int slot);
  static void OnProbeAnswered(GObject*, GAsyncResult* result, gpointer self);
  static gboolean OnProbeTimeout(gpointer self);

  WebKitWebContext* context_;
  ProcessPoolRule rule_;
  std::vector<Member> members_;
  // Per slot, the hidden view that holds its process open.
  std::vector<WebKitWebView*> anchors_;
  WebKitWebView* opener_ = nullptr;
  std::string expected_site_;
  ContentBlocker* blocker_ = nullptr;
  // The process being asked whether it answers: its slot, and the time
  // left to answer.
  int probed_slot_ = -1;
  int ending_slot_ = -1;
  guint probe_timeout_ = 0;
  GCancellable* probe_ = nullptr;
};

}  // namespace tabulon::gtk
