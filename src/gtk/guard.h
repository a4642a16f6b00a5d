#pragma once
#include <exception>
#include <source_location>

namespace tabulon::gtk {

// Says on standard error that a handler failed: where it stands (function,
// file and line) and what went wrong.
void ReportFailure(const std::source_location& where, const char* what) noexcept;

// The one guard at the toolkit's edge. Every handler GTK or WebKit calls runs
// inside it: no exception may cross into their C code, and a failure is
// reported, never dropped. The window stays as the handler's last good step
// left it and goes on taking input.
template <typename Handler>
void Guarded(Handler&& handler,
             const std::source_location where = std::source_location::current()) noexcept {
  try {
    handler();
  } catch (const std::exception& failure) {
    ReportFailure(where, failure.what());
  } catch (...) {
    ReportFailure(where, "an unknown failure");
  }
}

}  // namespace tabulon::gtk
