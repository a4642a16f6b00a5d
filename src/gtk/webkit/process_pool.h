#pragma once
#include <webkit2/webkit2.h>

#include <functional>
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
//
// Every second, each process is asked a question so small that only a
// process stuck in a page's script leaves it unanswered; one that has not
// answered for three seconds is taken as hung, and its tabs are told. The
// engine finds this out by itself only when it waits on the process (for
// a key, say), so a tab looping in the background would go unnoticed.
class ProcessPool {
 public:
  ProcessPool(WebKitWebContext* context, int processes);
  ~ProcessPool();
  ProcessPool(const ProcessPool&) = delete;
  ProcessPool& operator=(const ProcessPool&) = delete;

  // A new view, owned by the caller (the floating reference is sunk). The
  // template view belongs to no process of the pool and never loads.
  WebKitWebView* CreateView(bool is_template);
  // A view for a tab whose page waits to be shown: like the template, in
  // no process of the pool. It must never load; the tab takes a view made
  // by CreateView for that.
  WebKitWebView* CreateRestingView();
  // The next view made is for a tab that opens address: it goes to the
  // process of the address's site.
  void ExpectAddress(const std::string& address);
  // The next view made is a resting one.
  void ExpectResting() { expect_resting_ = true; }
  // Whether view belongs to no process of the pool.
  bool Rests(WebKitWebView* view) const { return SlotOf(view) < 0; }
  // The user sends view to address: true when its tab should take a new
  // view in another process (see ProcessPoolRule::Moves).
  bool Moves(WebKitWebView* view, const std::string& address);
  // The view is about to be destroyed. trapped: its page was kept waiting on
  // a dialog; such a page may spin in its process (an endless run of
  // alerts that are now refused at once), so the process is asked whether
  // it still answers and ended when it does not, which frees the other tabs
  // it serves (their pages come back as after a crash).
  void ViewClosed(WebKitWebView* view, bool trapped = false);

  // How a tab takes part in the watch on its process: whether its page
  // waits on the user's answer to a dialog (the process is then held by
  // it, not hung), whether that wait is in the page's script (the process
  // then serves no other page until it is answered), and what to call when
  // the process stops or starts answering.
  struct Watcher {
    std::function<bool()> waits_on_user;
    std::function<bool()> holds_process;
    std::function<void()> changed;
  };
  void Watch(WebKitWebView* view, Watcher watcher);
  // Whether the view's process answers, as far as the watch knows.
  bool Answers(WebKitWebView* view) const;

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
    Watcher watcher;
  };
  // A slot's question to its process.
  struct Ping {
    GCancellable* pending = nullptr;  // asked, not yet answered
    gint64 asked_at = 0;              // monotonic microseconds
    bool hung = false;                // unanswered too long
    // A page that was kept waiting on a dialog closed: the process is
    // ended, not named, if it does not answer.
    bool end_if_hung = false;
  };
  static WebKitWebView* NewView(const char* property, gpointer value);
  void EndSlot(int slot);
  void StartWatch();
  void Ask(int slot);
  void Check(int slot);
  void Answered(int slot);
  bool WaitsOnUser(int slot) const;
  // Whether the slot's process can serve no page now: a page of it waits
  // in its script on a dialog, or the process does not answer. New tabs and
  // the user's loads go elsewhere meanwhile.
  bool Held(int slot) const;
  void TellRuleWhatIsHeld();
  // Calls the watchers of the slot's tabs.
  void Tell(int slot);
  static gboolean OnWatch(gpointer self);
  static void OnAnswer(GObject* view, GAsyncResult* result, gpointer call);

  WebKitWebContext* context_;
  ProcessPoolRule rule_;
  std::vector<Member> members_;
  // Per slot, the hidden view that holds its process open.
  std::vector<WebKitWebView*> anchors_;
  WebKitWebView* opener_ = nullptr;
  std::string expected_site_;
  bool expect_resting_ = false;
  ContentBlocker* blocker_ = nullptr;
  int ending_slot_ = -1;
  std::vector<Ping> pings_;  // per slot
  guint watch_ = 0;
};

}  // namespace tabulon::gtk
