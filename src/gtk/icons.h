#pragma once
#include <gdkmm/pixbuf.h>

namespace tabulon::gtk {

// The program's icon drawn at `size` pixels (16, 32, 48, 64, 128 or 256);
// null when the picture is missing.
Glib::RefPtr<Gdk::Pixbuf> ProgramIcon(int size);

// Makes the program's icon the one every window of the process shows: the
// main window, the dialogs and the message boxes.
void UseProgramIcon();

}  // namespace tabulon::gtk
