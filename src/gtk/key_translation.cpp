#include "gtk/key_translation.h"

#include "base/keys.h"

namespace tabulon::gtk {

namespace {

int CodeOfKeyval(guint keyval) {
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + static_cast<int>(keyval - GDK_KEY_a);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + static_cast<int>(keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + static_cast<int>(keyval - GDK_KEY_0);
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) {
    return kVkNumpad0 + static_cast<int>(keyval - GDK_KEY_KP_0);
  }
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) {
    return kVkF1 + static_cast<int>(keyval - GDK_KEY_F1);
  }
  switch (keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab: return kVkTab;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: return kVkReturn;
    case GDK_KEY_Escape: return kVkEscape;
    case GDK_KEY_BackSpace: return 8;
    case GDK_KEY_space: return 32;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up: return 33;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down: return 34;
    case GDK_KEY_End:
    case GDK_KEY_KP_End: return 35;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home: return kVkHome;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left: return kVkLeft;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up: return 38;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right: return kVkRight;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down: return 40;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert: return kVkInsert;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete: return 46;
    default: return 0;
  }
}

bool IsKeypadKeyval(guint keyval) { return keyval >= GDK_KEY_KP_Space && keyval <= GDK_KEY_KP_9; }

// The digit printed on a keypad key, whatever Num Lock and Shift make of it
// now: -1 for any other key.
int KeypadDigitAt(GdkKeymap* keymap, guint16 keycode) {
  GdkKeymapKey* keys = nullptr;
  guint* keyvals = nullptr;
  gint n = 0;
  int digit = -1;
  if (keymap && gdk_keymap_get_entries_for_keycode(keymap, keycode, &keys, &keyvals, &n)) {
    for (gint i = 0; i < n && digit < 0; ++i) {
      if (keyvals[i] >= GDK_KEY_KP_0 && keyvals[i] <= GDK_KEY_KP_9) {
        digit = static_cast<int>(keyvals[i] - GDK_KEY_KP_0);
      }
    }
    g_free(keys);
    g_free(keyvals);
  }
  return digit;
}

}  // namespace

VirtualKey TranslateKey(const GdkEventKey* event) {
  VirtualKey vk;
  if (event->state & GDK_SHIFT_MASK) vk.mask |= kShift;
  if (event->state & GDK_CONTROL_MASK) vk.mask |= kCtrl;
  if (event->state & GDK_MOD1_MASK) vk.mask |= kAlt;

  GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_window_get_display(event->window));
  // Ctrl+Shift with a keypad digit opens a favourite of the second ten. Shift
  // turns a keypad digit into its movement key while Num Lock is on (0 into
  // Insert), so that chord goes by the key's place, with Num Lock on or off.
  if (vk.mask == (kCtrl | kShift) && IsKeypadKeyval(event->keyval)) {
    const int digit = KeypadDigitAt(keymap, event->hardware_keycode);
    if (digit >= 0) {
      vk.key = kVkNumpad0 + digit;
      return vk;
    }
  }
  // The keypad keeps its own meaning (digits with Num Lock, movement without).
  if (IsKeypadKeyval(event->keyval)) {
    vk.key = CodeOfKeyval(event->keyval);
    return vk;
  }
  // Otherwise the key's unshifted value, first in the active group, then in
  // any group that gives a Latin letter or digit (non-Latin layouts).
  guint keyval = 0;
  if (keymap && gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode,
                                                    static_cast<GdkModifierType>(0), event->group,
                                                    &keyval, nullptr, nullptr, nullptr)) {
    vk.key = CodeOfKeyval(keyval);
  }
  if (vk.key == 0 && keymap) {
    GdkKeymapKey* keys = nullptr;
    guint* keyvals = nullptr;
    gint n = 0;
    if (gdk_keymap_get_entries_for_keycode(keymap, event->hardware_keycode, &keys, &keyvals, &n)) {
      for (gint i = 0; i < n && vk.key == 0; ++i) {
        if (keys[i].level == 0) vk.key = CodeOfKeyval(keyvals[i]);
      }
      g_free(keys);
      g_free(keyvals);
    }
  }
  if (vk.key == 0) vk.key = CodeOfKeyval(event->keyval);
  return vk;
}

bool ShortcutToAccelerator(int key, int mask, guint& keyval, GdkModifierType& mods) {
  keyval = 0;
  if (key >= kVkF1 && key < kVkF1 + 24) keyval = GDK_KEY_F1 + static_cast<guint>(key - kVkF1);
  if (key == kVkInsert) keyval = GDK_KEY_Insert;
  // Letter keys share their codes with the capital letters.
  if (key >= 'A' && key <= 'Z') keyval = GDK_KEY_a + static_cast<guint>(key - 'A');
  if (keyval == 0) return false;
  int m = 0;
  if (mask & kShift) m |= GDK_SHIFT_MASK;
  if (mask & kCtrl) m |= GDK_CONTROL_MASK;
  if (mask & kAlt) m |= GDK_MOD1_MASK;
  mods = static_cast<GdkModifierType>(m);
  return true;
}

}  // namespace tabulon::gtk
