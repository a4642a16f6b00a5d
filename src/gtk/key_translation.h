#pragma once
#include <gdk/gdk.h>

namespace tabulon::gtk {

struct VirtualKey {
  int key = 0;   // 0: a key the program has no code for
  int mask = 0;  // Shift 1, Ctrl 2, Alt 4
};

// The platform key code and modifier mask of a key press, independent of the
// keyboard layout and of Shift: the key's unshifted meaning on a Latin layout
// decides the code, so Ctrl+Shift+1 is key 49 with mask 3 everywhere.
VirtualKey TranslateKey(const GdkEventKey* event);

// The GDK key value and modifiers that show a shortcut in a menu.
bool ShortcutToAccelerator(int key, int mask, guint& keyval, GdkModifierType& mods);

}  // namespace tabulon::gtk
