#pragma once
// A test hook of the running viewer (VELDRIMON_COMMAND_FILE): a test process drives the window's
// menus the way a user would, one command file at a time.
//
// The command file holds one command a line; the first line "#<id>" names the batch:
//   <caption>|<caption>|...   triggers the menu entry found by its captions from the menu bar
//                             down, '&' marks left out ("File|Recent Folders|/home/a"); a
//                             path starting "@list|" starts from the files list window's menus
//   !list                     every menu entry of both windows:
//                             "entry=<path>|<1 when enabled>|<1 when checked>", then each
//                             visible top-level window: "window=<title>"
//   !entries                  the files list: "entry=<path>|<its "DB Field" text>"
//   !snapshot <file>          the window as shown, as a BMP file, and "picture=<w> <h>"
//   !choose <file>            picks <file> in the open file dialog and accepts it
//   !click, !select, !type, !lines   act on any window's controls (test_widget_commands.h)
//   !reject                   leaves the window that holds the viewer: the modal window that is
//                             open (as its Cancel button) or the full-screen view (Escape)
// The viewer removes the command file, runs the batch, and adds to "<command file>.done" a block
// of "#<id>", one result line per command ("ok", "missing", "disabled" or the listing) and
// "#end". While a
// modal window or the full-screen view is open, "<command file>.modal" holds its title (and
// for a file dialog "folder=<the folder it shows>").

#include <string>

namespace vr::shell::ui {

class TVeldrimon69;

// Called from a timer; does nothing when there is no command file.
void RunCommandFile(TVeldrimon69& window, const std::string& command_file);

}  // namespace vr::shell::ui
