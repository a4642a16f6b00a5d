#include "gtk/guard.h"

#include <glib.h>

namespace tabulon::gtk {

void ReportFailure(const std::source_location& where, const char* what) noexcept {
  g_printerr("Tabulon: %s (%s:%u) failed: %s\n", where.function_name(), where.file_name(),
             static_cast<unsigned>(where.line()), what);
}

}  // namespace tabulon::gtk
