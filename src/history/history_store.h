#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "base/problems.h"
#include "history/history_match.h"
#include "history/url_suggestions.h"
#include "platform/history_sink.h"

struct sqlite3;

namespace tabulon {

// Entries older than this, and the oldest beyond the count, go at start.
inline constexpr std::int64_t kHistoryKeepSeconds = 90 * 86400;
inline constexpr std::size_t kHistoryMaxEntries = 100000;
// Titles are kept up to this many characters.
inline constexpr std::size_t kHistoryTitleChars = 1000;
inline constexpr std::chrono::milliseconds kHistoryFlushInterval{2000};
// A file held by another program this long is reported to the user.
inline constexpr std::chrono::seconds kHistoryBusyNotice{30};

enum class HistoryPeriod { LastHour, Today, All };

// The history's file in the per-user data folder; the options program
// clears the same file the browser writes.
inline std::string HistoryFilePath(const std::string& data_folder) {
  return data_folder + "/history.sqlite";
}

// The browsing history: one entry per address, in an SQLite file.
//
// Everything is answered from memory. A thread of its own reads the file at
// start and then writes it, in one short transaction every flush interval,
// so neither a long history, a slow disk nor another program holding the
// file holds up the window. Visits are taken at once; what reads or removes
// entries waits until the file has been read.
//
// A file another program holds locked is waited for, for as long as it
// takes: meanwhile the history works from memory, and once the file is free
// its entries are read and what came meanwhile is written. Only a file
// SQLite reports as damaged (or as no database) is renamed with ".broken"
// and a new one started. A file that cannot be used otherwise (no
// permission, read-only, an I/O error, a table not ours) is left as it is
// and the history lives in memory until the program ends; a full disk is
// tried again at each flush. Each is reported, once, through Problems.
class HistoryStore final : public HistorySink, public SuggestionSource {
 public:
  using Clock = std::function<std::int64_t()>;  // seconds since the epoch

  // path: the file, its folder created when missing; "" keeps the history
  // in memory only. problems: where what stops the history being kept is
  // reported (standard error only without one).
  explicit HistoryStore(std::string path, Clock now = nullptr,
                        std::chrono::milliseconds flush_interval = kHistoryFlushInterval,
                        Problems* problems = nullptr);
  ~HistoryStore() override;
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // A visit now to an address (see HistoryAddress for what is kept).
  void AddVisit(const std::string& address);
  void SetTitle(const std::string& address, const std::string& title);

  void PageVisited(int browser, const std::string& address) override;
  void PageTitled(int browser, const std::string& address, const std::string& title) override;

  // The entries matching what the user typed (every word in address or
  // title), best first, at most limit of them: for suggestions.
  std::vector<HistoryEntry> Suggest(const std::string& typed, std::size_t limit) const;
  // The same without waiting: nothing while the file is still being read.
  std::vector<HistoryEntry> SuggestNow(const std::string& typed, std::size_t limit) const override;
  // The entries matching, newest visit first, at most limit of them; ""
  // matches all.
  std::vector<HistoryEntry> List(const std::string& typed,
                                 std::size_t limit = static_cast<std::size_t>(-1)) const;
  std::size_t Size() const;

  void Remove(const std::vector<std::string>& addresses);
  // Forgets the pages visited in the period (the last hour, since local
  // midnight, or ever).
  void Clear(HistoryPeriod period);

  // Writes what is waiting now, before returning; a file held by another
  // program is tried once more, and what cannot be written keeps waiting.
  void Flush();
  // The file in use; "" when it is not (the history lives in memory only,
  // or waits for the file).
  std::string Path() const;

 private:
  struct Cached {
    HistoryEntry entry;
    std::size_t slot = 0;  // of its match text
    // Which of two visits in the same second came later.
    std::uint64_t stamp = 0;
  };
  struct Change;
  // The entries, by address, with their match texts.
  struct Memory {
    std::vector<std::unique_ptr<Cached>> entries;
    std::unordered_map<std::string, std::size_t> index;
    MatchTexts texts;
    std::uint64_t stamps = 0;

    Cached* Find(const std::string& address);
    // Adds an entry, or adds its visits to the one there and takes its
    // title when it has one.
    void Upsert(const HistoryEntry& entry);
    void Retitle(Cached& cached, const std::string& title);
    void Erase(const std::string& address);
    void EraseSince(std::int64_t since);
    void Apply(const Change& change);
    // Writes the live match texts anew once most of them are outdated.
    void CompactTexts();
  };
  // mutex_, held once the file has been read.
  std::unique_lock<std::mutex> Loaded() const;
  std::vector<HistoryEntry> Best(const std::string& typed, std::size_t limit, bool wait) const;
  // After another program changed the file (the options program clearing
  // the history), what is in memory is read from it again. db_mutex_ held
  // for the next three. The entries are made anew without holding mutex_,
  // so that the window is not held up meanwhile.
  void FollowOtherWriters();
  std::int64_t DataVersion();
  bool ReadRows(std::vector<HistoryEntry>& rows);
  void Queue(Change change);
  void WriteLoop();
  // Writes the changes given; db_mutex_ held.
  void Write(const std::vector<Change>& changes);
  // db_mutex_ held for the rest. One try at the file: open, prune and read
  // it into memory, with what is waiting on top.
  void TryOpen();
  // Opens the file and reads its rows; an SQLite result code. On failure
  // db_ is left for the caller to close, and rows may hold what a file we
  // may not change had.
  int OpenFile(std::vector<HistoryEntry>& rows, std::string& error);
  // What is in memory becomes the rows given with the changes not yet
  // written on top.
  void Replace(const std::vector<HistoryEntry>& rows);
  // Renames a damaged file and starts a new one with what is in memory;
  // without one the history stays in memory.
  void StartAgain(const std::string& why);
  // Another program holds the file: after a long while the user is told.
  void StillBusy(const std::string& why);
  // The file is not written this run (or, for a full disk, until there is
  // room); the user is told why.
  void NotWritten(int code, int system_error, const std::string& why);
  void CloseFile();

  const std::string path_;
  const Clock now_;
  const std::chrono::milliseconds interval_;
  Problems own_problems_;
  Problems& problems_;

  // The entries in memory, by address; mutex_ guards them and the queue.
  mutable std::mutex mutex_;
  Memory memory_;
  std::vector<Change> pending_;
  std::map<int, std::string> last_visit_of_browser_;
  std::condition_variable wake_;
  bool stopping_ = false;
  // Whether the file has been read, given up on, or found held (memory
  // answers meanwhile).
  bool loaded_ = false;
  mutable std::condition_variable loaded_cv_;

  // The file; db_mutex_ guards it. Whoever needs both takes db_mutex_
  // first.
  mutable std::mutex db_mutex_;
  sqlite3* db_ = nullptr;
  // The file is waited for: another program held it when last tried.
  bool waiting_ = false;
  std::chrono::milliseconds retry_{0};
  std::optional<std::chrono::steady_clock::time_point> busy_since_;
  bool busy_told_ = false;
  bool full_told_ = false;  // once until a write gets through again
  std::int64_t data_version_ = 0;
  std::thread writer_;
};

}  // namespace tabulon
