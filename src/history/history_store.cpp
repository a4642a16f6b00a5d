#include "history/history_store.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <limits>
#include <string>
#include <utility>

#include "settings/file_io.h"

namespace tabulon {

namespace {

std::int64_t SystemSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t LocalMidnight(std::int64_t now) {
  std::time_t t = static_cast<std::time_t>(now);
  std::tm local{};
  if (!localtime_r(&t, &local)) return now - now % 86400;
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&local));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// mkdir -p, quietly: a folder that cannot be made shows when the file is opened.
void MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);
  }
}

// Only SQLite's own word that the file is damaged, or no database at all,
// lets it be moved aside; anything else leaves the file as it is.
bool IsDamaged(int code) {
  code &= 0xFF;
  return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

// Another program's transaction: over some time, however long.
bool IsBusy(int code) {
  code &= 0xFF;
  return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// Why the file is not written, for the user, without a full stop: it goes
// in brackets.
std::string NotWrittenReason(int code, int system_error) {
  switch (code & 0xFF) {
    case SQLITE_FULL: return "ディスクの空きが足りません";
    case SQLITE_READONLY: return "読み取り専用のファイルです";
    case SQLITE_PERM:
    case SQLITE_AUTH: return "書き込みが許可されていません";
    case SQLITE_NOMEM: return "メモリが足りません";
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return "ほかのプログラムが使っています";
    case SQLITE_ERROR:
    case SQLITE_SCHEMA: return "このプログラムの履歴のファイルではありません";
    case SQLITE_CANTOPEN:
    case SQLITE_IOERR:
      if (system_error != 0) {
        std::string reason = WriteFailureReason(system_error);
        const std::string stop = "。";
        if (reason.ends_with(stop)) reason.resize(reason.size() - stop.size());
        return reason;
      }
      return (code & 0xFF) == SQLITE_CANTOPEN ? "ファイルを開けません"
                                              : "ディスクの読み書きに失敗しました";
    default: return "SQLite のエラー " + std::to_string(code);
  }
}

// The first wait for a file another program holds, and the longest.
constexpr std::chrono::milliseconds kFirstRetry{50};
constexpr std::chrono::milliseconds kLongestRetry{2000};
// How long one statement waits for another program's lock before the
// thread looks again whether it should stop.
constexpr int kBusyTimeoutMs = 250;

// One prepared statement, finalized when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  int rc() const { return rc_; }
  Statement& Bind(int i, const std::string& text) {
    if (rc_ == SQLITE_OK)
      rc_ =
          sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int i, std::int64_t value) {
    if (rc_ == SQLITE_OK) rc_ = sqlite3_bind_int64(stmt_, i, value);
    return *this;
  }
  // Runs a statement without rows; the result code.
  int Run() {
    if (rc_ != SQLITE_OK) return rc_;
    const int rc = sqlite3_step(stmt_);
    sqlite3_reset(stmt_);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
  }
  sqlite3_stmt* get() { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

std::string Text(sqlite3_stmt* stmt, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column)))
              : std::string();
}

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS pages("
    " id INTEGER PRIMARY KEY,"
    " address TEXT NOT NULL UNIQUE,"
    " title TEXT NOT NULL DEFAULT '',"
    " last_visit INTEGER NOT NULL,"
    " visit_count INTEGER NOT NULL DEFAULT 1);"
    "CREATE INDEX IF NOT EXISTS pages_by_last_visit ON pages(last_visit);";

}  // namespace

struct HistoryStore::Change {
  enum class Kind { Visit, Title, Remove, ClearSince, WriteAll } kind;
  HistoryEntry entry;
  std::int64_t since = 0;
};

HistoryStore::HistoryStore(std::string path, Clock now, std::chrono::milliseconds flush_interval,
                           Problems* problems)
    : path_(std::move(path)),
      now_(now ? std::move(now) : Clock(SystemSeconds)),
      interval_(flush_interval),
      problems_(problems ? *problems : own_problems_) {
  if (path_.empty()) {
    loaded_ = true;
    return;
  }
  // A long history takes a moment to read; the window does not wait for it.
  writer_ = std::thread([this] {
    {
      std::lock_guard<std::mutex> db_lock(db_mutex_);
      TryOpen();
    }
    // A file held by another program is read once it is free; meanwhile
    // the history is what came since the start.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      loaded_ = true;
    }
    loaded_cv_.notify_all();
    WriteLoop();
  });
}

std::unique_lock<std::mutex> HistoryStore::Loaded() const {
  std::unique_lock<std::mutex> lock(mutex_);
  loaded_cv_.wait(lock, [this] { return loaded_; });
  return lock;
}

HistoryStore::~HistoryStore() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (writer_.joinable()) writer_.join();
  // One last try, also at a file still held: what it cannot write is lost.
  Flush();
  CloseFile();
}

void HistoryStore::TryOpen() {
  std::vector<HistoryEntry> rows;
  std::string error;
  int system_error = 0;
  const int rc = OpenFile(rows, error);
  if (rc != SQLITE_OK && db_) system_error = sqlite3_system_errno(db_);
  if (rc == SQLITE_OK) {
    waiting_ = false;
    busy_since_.reset();
    Replace(rows);
    data_version_ = DataVersion();
    return;
  }
  CloseFile();
  if (IsBusy(rc)) {
    // Tried again later, each time a little later.
    retry_ = waiting_ ? std::min(retry_ * 2, kLongestRetry) : kFirstRetry;
    waiting_ = true;
    StillBusy(error);
    return;
  }
  waiting_ = false;
  if (IsDamaged(rc)) {
    StartAgain(error);
    return;
  }
  // A file that can be read but not changed still shows its pages.
  Replace(rows);
  NotWritten(rc, system_error, error);
}

int HistoryStore::OpenFile(std::vector<HistoryEntry>& rows, std::string& error) {
  MakeFolders(path_);
  int rc =
      sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc == SQLITE_OK) {
    // Short, so that a thread told to stop is not held long by the lock.
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    const std::int64_t oldest = now_() - kHistoryKeepSeconds;
    rc = Statement(db_, "DELETE FROM pages WHERE last_visit < ?").Bind(1, oldest).Run();
  }
  if (rc == SQLITE_OK) {
    rc = Statement(db_,
                   "DELETE FROM pages WHERE id IN (SELECT id FROM pages ORDER BY last_visit DESC"
                   " LIMIT -1 OFFSET ?)")
             .Bind(1, static_cast<std::int64_t>(kHistoryMaxEntries))
             .Run();
  }
  if (rc != SQLITE_OK) error = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  // Read too when only changing it failed (a read-only file).
  if (db_ && (rc == SQLITE_OK || !(IsBusy(rc) || IsDamaged(rc))) && !ReadRows(rows)) {
    rows.clear();
    if (rc == SQLITE_OK) {
      rc = sqlite3_errcode(db_);
      error = sqlite3_errmsg(db_);
    }
  }
  return rc;
}

void HistoryStore::Replace(const std::vector<HistoryEntry>& rows) {
  Memory read;
  for (const HistoryEntry& row : rows) read.Upsert(row);
  // What is not written yet goes on top: visits, titles, removals and
  // clearing since the file was last read.
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Change& change : pending_) read.Apply(change);
  std::swap(memory_, read);
}

void HistoryStore::CloseFile() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void HistoryStore::StartAgain(const std::string& why) {
  CloseFile();
  std::string aside = path_ + ".broken";
  for (int n = 1; n < 100 && Exists(aside); ++n) aside = path_ + ".broken." + std::to_string(n);
  if (std::rename(path_.c_str(), aside.c_str()) != 0) {
    NotWritten(SQLITE_CANTOPEN, errno, why);
    return;
  }
  // A journal left beside it belongs to the old file, never to the new one.
  if (Exists(path_ + "-journal"))
    std::rename((path_ + "-journal").c_str(), (aside + "-journal").c_str());
  problems_.Report("history-set-aside",
                   "履歴のファイルが壊れていたため " + aside.substr(aside.rfind('/') + 1) +
                       " に移し、新しく始めました。",
                   aside + ": " + why);
  std::vector<HistoryEntry> rows;
  std::string error;
  const int rc = OpenFile(rows, error);
  if (rc != SQLITE_OK) {
    const int system_error = db_ ? sqlite3_system_errno(db_) : 0;
    CloseFile();
    NotWritten(rc, system_error, error);
    return;
  }
  data_version_ = DataVersion();
  // What is in memory goes into the new file.
  Write({Change{Change::Kind::WriteAll, {}, 0}});
}

void HistoryStore::StillBusy(const std::string& why) {
  const auto now = std::chrono::steady_clock::now();
  if (!busy_since_) busy_since_ = now;
  if (busy_told_ || now - *busy_since_ < kHistoryBusyNotice) return;
  busy_told_ = true;
  problems_.Report("history-busy",
                   "履歴のファイルがほかのプログラムに使われているため、まだ保存できません。",
                   path_ + ": " + why);
}

void HistoryStore::NotWritten(int code, int system_error, const std::string& why) {
  problems_.Report("history-not-written",
                   "履歴を保存できません（" + NotWrittenReason(code, system_error) + "）。",
                   path_ + ": " + why);
}

HistoryStore::Cached* HistoryStore::Memory::Find(const std::string& address) {
  auto found = index.find(address);
  return found == index.end() ? nullptr : entries[found->second].get();
}

void HistoryStore::Memory::Upsert(const HistoryEntry& entry) {
  if (Cached* cached = Find(entry.address)) {
    cached->entry.visit_count += entry.visit_count;
    cached->entry.last_visit = std::max(cached->entry.last_visit, entry.last_visit);
    if (!entry.title.empty()) Retitle(*cached, entry.title);
    cached->stamp = ++stamps;
    return;
  }
  index.emplace(entry.address, entries.size());
  entries.push_back(std::make_unique<Cached>(Cached{entry, 0, ++stamps}));
  entries.back()->slot = texts.Add(MatchText(entry), entries.back().get());
}

void HistoryStore::Memory::Retitle(Cached& cached, const std::string& title) {
  if (cached.entry.title == title) return;
  cached.entry.title = title;
  texts.Drop(cached.slot);
  cached.slot = texts.Add(MatchText(cached.entry), &cached);
  CompactTexts();
}

void HistoryStore::Memory::CompactTexts() {
  if (!texts.MostlyDropped()) return;
  texts.Clear();
  for (const auto& each : entries) each->slot = texts.Add(MatchText(each->entry), each.get());
}

void HistoryStore::Memory::Erase(const std::string& address) {
  auto found = index.find(address);
  if (found == index.end()) return;
  const std::size_t at = found->second;
  index.erase(found);
  texts.Drop(entries[at]->slot);
  if (at + 1 != entries.size()) {
    entries[at] = std::move(entries.back());
    index[entries[at]->entry.address] = at;
  }
  entries.pop_back();
  CompactTexts();
}

void HistoryStore::Memory::EraseSince(std::int64_t since) {
  std::vector<std::string> gone;
  for (const auto& cached : entries) {
    if (cached->entry.last_visit >= since) gone.push_back(cached->entry.address);
  }
  for (const std::string& address : gone) Erase(address);
}

void HistoryStore::Memory::Apply(const Change& change) {
  switch (change.kind) {
    case Change::Kind::Visit: Upsert(change.entry); break;
    case Change::Kind::Title:
      if (Cached* cached = Find(change.entry.address)) Retitle(*cached, change.entry.title);
      break;
    case Change::Kind::Remove: Erase(change.entry.address); break;
    case Change::Kind::ClearSince: EraseSince(change.since); break;
    case Change::Kind::WriteAll: break;
  }
}

void HistoryStore::Queue(Change change) {
  if (path_.empty()) return;
  pending_.push_back(std::move(change));
}

void HistoryStore::AddVisit(const std::string& address) {
  const std::string kept = HistoryAddress(address);
  if (kept.empty()) return;
  const Change visit{Change::Kind::Visit, {kept, "", now_(), 1}, 0};
  std::lock_guard<std::mutex> lock(mutex_);
  memory_.Apply(visit);
  Queue(visit);
}

void HistoryStore::SetTitle(const std::string& address, const std::string& title) {
  const std::string kept = HistoryAddress(address);
  if (kept.empty() || title.empty()) return;
  const std::string cut = CutText(title, kHistoryTitleChars);
  std::lock_guard<std::mutex> lock(mutex_);
  Cached* cached = memory_.Find(kept);
  if (!cached || cached->entry.title == cut) return;
  memory_.Retitle(*cached, cut);
  Queue({Change::Kind::Title, cached->entry, 0});
}

void HistoryStore::PageVisited(int browser, const std::string& address) {
  const std::string kept = HistoryAddress(address);
  {
    // The engine reports a load's start and its end; the end of a load of
    // the page the tab just visited is no new visit.
    std::lock_guard<std::mutex> lock(mutex_);
    std::string& last = last_visit_of_browser_[browser];
    if (last == kept) return;
    last = kept;
  }
  AddVisit(kept);
}

void HistoryStore::PageTitled(int /*browser*/, const std::string& address,
                              const std::string& title) {
  SetTitle(address, title);
}

std::vector<HistoryEntry> HistoryStore::Suggest(const std::string& typed, std::size_t limit) const {
  return Best(typed, limit, true);
}

std::vector<HistoryEntry> HistoryStore::SuggestNow(const std::string& typed,
                                                   std::size_t limit) const {
  return Best(typed, limit, false);
}

std::vector<HistoryEntry> HistoryStore::Best(const std::string& typed, std::size_t limit,
                                             bool wait) const {
  const HistoryQuery query(typed);
  if (query.Empty() || limit == 0) return {};
  const std::int64_t now = now_();
  std::vector<std::pair<double, const HistoryEntry*>> found;
  std::unique_lock<std::mutex> lock(mutex_);
  if (wait) {
    loaded_cv_.wait(lock, [this] { return loaded_; });
  } else if (!loaded_) {
    return {};
  }
  memory_.texts.ForEachMatch(query, [&](const void* owner) {
    const auto* cached = static_cast<const Cached*>(owner);
    double score = HistoryScore(cached->entry, now);
    if (query.StartsHost(memory_.texts.Text(cached->slot))) score *= 4;
    found.emplace_back(score, &cached->entry);
  });
  const auto better = [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second->address < b.second->address;
  };
  const std::size_t shown = std::min(limit, found.size());
  std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(shown), found.end(),
                    better);
  std::vector<HistoryEntry> best;
  for (std::size_t i = 0; i < shown; ++i) best.push_back(*found[i].second);
  return best;
}

std::vector<HistoryEntry> HistoryStore::List(const std::string& typed, std::size_t limit) const {
  const HistoryQuery query(typed);
  std::vector<const Cached*> found;
  const auto lock = Loaded();
  memory_.texts.ForEachMatch(
      query, [&](const void* owner) { found.push_back(static_cast<const Cached*>(owner)); });
  const auto newer = [](const Cached* a, const Cached* b) {
    return a->entry.last_visit != b->entry.last_visit ? a->entry.last_visit > b->entry.last_visit
                                                      : a->stamp > b->stamp;
  };
  const std::size_t listed = std::min(limit, found.size());
  std::partial_sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(listed), found.end(),
                    newer);
  std::vector<HistoryEntry> entries;
  entries.reserve(listed);
  for (std::size_t i = 0; i < listed; ++i) entries.push_back(found[i]->entry);
  return entries;
}

std::size_t HistoryStore::Size() const {
  const auto lock = Loaded();
  return memory_.entries.size();
}

void HistoryStore::Remove(const std::vector<std::string>& addresses) {
  const auto lock = Loaded();
  for (const std::string& address : addresses) {
    memory_.Erase(address);
    Queue({Change::Kind::Remove, {address, "", 0, 0}, 0});
  }
}

void HistoryStore::Clear(HistoryPeriod period) {
  const std::int64_t now = now_();
  const std::int64_t since = period == HistoryPeriod::LastHour ? now - 3600
                             : period == HistoryPeriod::Today
                                 ? LocalMidnight(now)
                                 : std::numeric_limits<std::int64_t>::min();
  const auto lock = Loaded();
  memory_.EraseSince(since);
  Queue({Change::Kind::ClearSince, {}, since});
}

void HistoryStore::FollowOtherWriters() {
  std::lock_guard<std::mutex> db_lock(db_mutex_);
  if (!db_) return;
  const std::int64_t version = DataVersion();
  if (version == data_version_) return;
  std::vector<HistoryEntry> rows;
  if (!ReadRows(rows)) return;  // the next write finds out what is wrong
  data_version_ = version;
  Replace(rows);
}

std::int64_t HistoryStore::DataVersion() {
  Statement version(db_, "PRAGMA data_version");
  if (version.rc() != SQLITE_OK || sqlite3_step(version.get()) != SQLITE_ROW) return data_version_;
  return sqlite3_column_int64(version.get(), 0);
}

bool HistoryStore::ReadRows(std::vector<HistoryEntry>& rows) {
  Statement select(
      db_, "SELECT address, title, last_visit, visit_count FROM pages ORDER BY last_visit, id");
  if (select.rc() != SQLITE_OK) return false;
  int rc;
  while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
    rows.push_back({Text(select.get(), 0), Text(select.get(), 1),
                    sqlite3_column_int64(select.get(), 2), sqlite3_column_int(select.get(), 3)});
  }
  return rc == SQLITE_DONE;
}

void HistoryStore::Flush() {
  Loaded().unlock();
  std::lock_guard<std::mutex> db_lock(db_mutex_);
  if (waiting_) TryOpen();
  std::vector<Change> changes;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Kept for the file while it is waited for; with no file, memory has
    // them all.
    if (waiting_) return;
    changes.swap(pending_);
  }
  if (db_ && !changes.empty()) Write(changes);
}

std::string HistoryStore::Path() const {
  Loaded().unlock();
  std::lock_guard<std::mutex> lock(db_mutex_);
  return db_ ? path_ : std::string();
}

void HistoryStore::WriteLoop() {
  std::chrono::milliseconds pause = interval_;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, pause, [this] { return stopping_; });
    if (stopping_) break;
    lock.unlock();
    Flush();
    FollowOtherWriters();
    {
      std::lock_guard<std::mutex> db_lock(db_mutex_);
      pause = waiting_ ? retry_ : interval_;
    }
    lock.lock();
  }
}

void HistoryStore::Write(const std::vector<Change>& changes) {
  if (!db_) return;
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  for (const Change& change : changes) {
    if (rc != SQLITE_OK) break;
    const HistoryEntry& e = change.entry;
    switch (change.kind) {
      case Change::Kind::Visit:
        rc = Statement(
                 db_,
                 "INSERT INTO pages(address, title, last_visit, visit_count) VALUES(?1, ?2, ?3, 1)"
                 " ON CONFLICT(address) DO UPDATE SET visit_count = visit_count + 1,"
                 " last_visit = max(last_visit, excluded.last_visit)")
                 .Bind(1, e.address)
                 .Bind(2, e.title)
                 .Bind(3, e.last_visit)
                 .Run();
        break;
      case Change::Kind::Title:
        rc = Statement(db_, "UPDATE pages SET title = ?2 WHERE address = ?1")
                 .Bind(1, e.address)
                 .Bind(2, e.title)
                 .Run();
        break;
      case Change::Kind::Remove:
        rc = Statement(db_, "DELETE FROM pages WHERE address = ?").Bind(1, e.address).Run();
        break;
      case Change::Kind::ClearSince:
        rc = Statement(db_, "DELETE FROM pages WHERE last_visit >= ?").Bind(1, change.since).Run();
        break;
      case Change::Kind::WriteAll: {
        std::vector<HistoryEntry> all;
        {
          // Everything waiting is in memory already, and so in this.
          std::lock_guard<std::mutex> lock(mutex_);
          for (const auto& cached : memory_.entries) all.push_back(cached->entry);
          pending_.clear();
        }
        rc = sqlite3_exec(db_, "DELETE FROM pages", nullptr, nullptr, nullptr);
        Statement insert(db_,
                         "INSERT OR REPLACE INTO pages(address, title, last_visit, visit_count) "
                         "VALUES(?, ?, ?, ?)");
        for (const HistoryEntry& entry : all) {
          if (rc != SQLITE_OK) break;
          rc = insert.Bind(1, entry.address)
                   .Bind(2, entry.title)
                   .Bind(3, entry.last_visit)
                   .Bind(4, static_cast<std::int64_t>(entry.visit_count))
                   .Run();
        }
        break;
      }
    }
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    busy_since_.reset();
    full_told_ = false;
    return;
  }
  const std::string error = sqlite3_errmsg(db_);
  const int system_error = sqlite3_system_errno(db_);
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  // Held by another program, or no room yet: the changes wait for the
  // next flush, however many that takes.
  if (IsBusy(rc) || (rc & 0xFF) == SQLITE_FULL) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_.insert(pending_.begin(), changes.begin(), changes.end());
    }
    if (IsBusy(rc)) {
      StillBusy(error);
    } else if (!full_told_) {
      full_told_ = true;
      NotWritten(rc, system_error, error);
    }
    return;
  }
  if (IsDamaged(rc)) {
    StartAgain(error);
  } else {
    NotWritten(rc, system_error, error);
    CloseFile();
  }
}

}  // namespace tabulon
