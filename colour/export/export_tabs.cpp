#include "colour/export/export_tabs.h"

#include <algorithm>
#include <cctype>

namespace vr::colour {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

int ItemIndex(int tab, const char* caption) { return FindExportItem(tab, caption); }

}  // namespace

const std::vector<ExportTab>& ExportTabs() {
  static const std::vector<ExportTab> tabs = {
      {"BMP (Windows Bitmap)", ".BMP", "bmp",
       {"2 Colors", "8 Colors", "8 Colors (VGA)", "16 Colors", "16 Colors (VGA)", "256 Colors",
        "16M True-Color"},
       2, false},
      {"ICO (Windows ICON)", ".ICO", "ico",
       {"2 Colors", "16 Colors", "256 Colors", "16M True-Color"}, 1, true},
      // Shown although the window of old hid it: PNG is today's common lossless format.
      {"PNG", ".PNG", "png", {}, -1, false},
      {"JPG (Independent JPEG Group)", ".JPG", "jpg", {}, -1, false},
      {"GIF (Graphics Interchange Format)", ".GIF", "gif",
       {"2 Colors", "4 Colors", "8 Colors", "8 Colors (VGA)", "16 Colors", "16 Colors (VGA)",
        "32 Colors", "64 Colors", "128 Colors", "256 Colors"},
       5, false},
      {"PCX (PC Paintbrush PCX)", ".PCX", "pcx",
       {"2 Colors", "16 Colors", "16 Colors (VGA)", "256 Colors", "16M True-Color"}, 2, false},
      {"TGA (Targa)", ".TGA", "tga", {"256 Colors", "16M True-Color"}, 0, false},
      {"PIC (OLD PC PAINT)", ".PIC", "pic",
       {"2 Colors", "16 Colors", "16 Colors (VGA)", "256 Colors"}, 2, false},
  };
  return tabs;
}

int FindExportTab(std::string_view name) {
  std::string key = Upper(name);
  if (!key.empty() && key[0] != '.') key.insert(key.begin(), '.');
  if (key == ".JPEG") key = ".JPG";
  if (key == ".TARGA") key = ".TGA";
  const auto& tabs = ExportTabs();
  for (size_t i = 0; i < tabs.size(); ++i) {
    if (key == tabs[i].extension) return static_cast<int>(i);
  }
  return -1;
}

int FindExportItem(int tab, std::string_view caption) {
  if (tab < 0 || tab >= kTabCount) return -1;
  const auto& items = ExportTabs()[tab].items;
  for (size_t i = 0; i < items.size(); ++i) {
    if (caption == items[i]) return static_cast<int>(i);
  }
  return -1;
}

int ItemColourCount(std::string_view caption) {
  const auto has = [&](const char* part) { return caption.find(part) != std::string_view::npos; };
  // "256 " and "16M " are looked at last so that they win over the "16 " and "6 " inside them.
  int count = 2;
  if (has("128 ")) {
    count = 128;
  } else if (has("64 ")) {
    count = 64;
  } else if (has("32 ")) {
    count = 32;
  } else if (has("16 ")) {
    count = 16;
  } else if (has("8 ")) {
    count = 8;
  } else if (has("4 ")) {
    count = 4;
  }
  if (has("256 ")) count = 256;
  if (has("16M ")) count = kTrueColourCount;
  return count;
}

bool ItemStandardColours(std::string_view caption) {
  return caption.find("(VGA)") != std::string_view::npos;
}

int TabColourCount(int tab, int item) {
  if (tab < 0 || tab >= kTabCount) return kTrueColourCount;
  const auto& items = ExportTabs()[tab].items;
  if (items.empty() || item < 0 || item >= static_cast<int>(items.size())) return kTrueColourCount;
  return ItemColourCount(items[item]);
}

int DefaultItemForDepth(int tab, int depth, int current) {
  if (tab < 0 || tab >= kTabCount || ExportTabs()[tab].items.empty()) return current;
  const char* pick = nullptr;
  const bool tga = tab == kTabTga;
  if (depth == 1) {
    pick = tga ? "256 Colors" : "2 Colors";
  } else if (depth == 2) {
    if (tab == kTabGif) pick = "4 Colors";
  } else if (depth == 4) {
    pick = tga ? "256 Colors" : "16 Colors";
  } else if (depth == 8) {
    pick = "256 Colors";
  } else if (depth >= 15 && depth <= 32) {
    pick = (tab == kTabGif || tab == kTabPic) ? "256 Colors" : "16M True-Color";
  }
  if (pick == nullptr) return current;
  const int index = ItemIndex(tab, pick);
  return index >= 0 ? index : current;
}

bool Force236Applies(int tab, int item) {
  if (tab < 0 || tab >= kTabCount) return false;
  const auto& items = ExportTabs()[tab].items;
  return item >= 0 && item < static_cast<int>(items.size()) &&
         std::string_view(items[item]) == "256 Colors";
}

int TgaModeFor(int item) { return item + 1; }

int PicModeFor(int colours) {
  if (colours <= 2) return 1;
  if (colours <= 16) return 2;
  return 3;
}

int PcxModeFor(int colours) {
  if (colours <= 2) return 1;
  if (colours <= 16) return 2;
  if (colours <= 256) return 3;
  return 4;
}

std::string WritableExtensionsText() {
  return ".BMP .GIF .ICO .JPG .PCX .PIC .PNG .TGA";
}

}  // namespace vr::colour
