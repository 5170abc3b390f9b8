#pragma once

// The program's own icon for its windows and its tray, in every size it is drawn in, decoded
// from images compiled into the program: it needs no file at run time.

class wxIconBundle;

namespace vorn {

// The icon in all its sizes, for SetIcons of a window; the toolkit picks the size it wants.
// Decoded once; UI thread only.
const wxIconBundle& ProgramIcons();

// The same sizes with a mark in the upper right corner, for the tray while a task runs.
const wxIconBundle& ProgramTaskIcons();

}  // namespace vorn
