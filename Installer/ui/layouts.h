// The saved descriptions of the three windows: one row per element with its parent, position
// (Left, Top, Width, Height in twips) and design settings, bottom of the z-order first.
#pragma once

#include "description.h"

namespace instalio::ui {

// Window captions (no title bar shows them; the taskbar and the window system do).
constexpr const char* kMainCaption = "Ostrevant Installer";
constexpr const char* kFoldersCaption = "Ostrevant Installer - Folder";
constexpr const char* kDialogCaption = "Ostrevant Installer - Question";

// The section numbers that have a frame, and the name of each one's frame.
constexpr int kSections[] = {0, 1, 2, 5, 6, 7, 8};
std::string SectionFrameName(int section);

Description FrmMainLayout();
// The row of the element `name` in `description` (a logic error when there is none).
ElementRow RowOf(const Description& description, const std::string& name);
Description FrmFoldersLayout();
Description FrmDialogLayout();

} // namespace instalio::ui
