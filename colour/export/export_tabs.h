#pragma once
// The export window's formats as data: one tab per format with its extension and its "Color
// Depth" items, and the rules read from an item's caption (colour count, standard colours), the
// default item for a picture's depth and when "Force 236 Colors For Windows" applies.

#include <string>
#include <string_view>
#include <vector>

namespace vr::colour {

// Tab order of the window; the save dialog's filter of a tab is its index + 2.
enum ExportTabIndex : int {
  kTabBmp = 0,
  kTabIco = 1,
  kTabPng = 2,
  kTabJpg = 3,
  kTabGif = 4,
  kTabPcx = 5,
  kTabTga = 6,
  kTabPic = 7,
  kTabCount = 8,
};

// Colour count that stands for true colour.
inline constexpr int kTrueColourCount = 16000;

struct ExportTab {
  const char* caption;
  const char* extension;  // upper case with the dot
  const char* short_name;  // the command line's name of the tab ("bmp", "jpg", ...)
  std::vector<const char*> items;  // "Color Depth" captions; empty for JPEG and PNG
  int default_item;                // -1 when there are no items
  bool hidden;                     // not shown as a page of the window
};

const std::vector<ExportTab>& ExportTabs();

// The tab whose short name or extension (with or without the dot, any case) is `name`; -1 if none.
int FindExportTab(std::string_view name);
// The item of `tab` whose caption is `caption` (exact), -1 if none.
int FindExportItem(int tab, std::string_view caption);

// Colour count of an item caption: "128 " 128, "64 " 64, "32 " 32, "16 " 16, "8 " 8, "4 " 4,
// else 2; "256 " 256; "16M " 16000.
int ItemColourCount(std::string_view caption);
// "(VGA)": the standard 8 or 16 colours.
bool ItemStandardColours(std::string_view caption);
// Colour count of a tab's item; JPEG and PNG always count as true colour.
int TabColourCount(int tab, int item);

// The item a picture of `depth` bits starts with on `tab`; `current` is kept where the depth
// names none (2 bits on every tab but GIF, JPEG and PNG).
int DefaultItemForDepth(int tab, int depth, int current);

// "Force 236 Colors For Windows" is enabled only for the "256 Colors" item.
bool Force236Applies(int tab, int item);

// Mode numbers of the PCX, PIC and TGA writers for a tab's item.
int TgaModeFor(int item);
int PicModeFor(int colours);
int PcxModeFor(int colours);

// The writable extensions, upper case with dots, in one line for messages.
std::string WritableExtensionsText();

}  // namespace vr::colour
