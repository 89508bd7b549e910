// The export window's rules as data: what each item caption means, which item a picture's depth
// starts with on each tab, where "Force 236" applies, the extension rules and unique names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "colour/export/export_picture.h"
#include "colour/export/export_tabs.h"
#include "colour/export/unique_name.h"
#include "fakes/fake_clock.h"
#include "test_support/read_only_folder.h"
#include "test_support/temp_dir.h"

namespace vr::colour {
namespace {

struct ItemCase {
  const char* caption;
  int colours;
  bool standard;
};

TEST(ExportItems, EveryCaptionGivesItsColourCountAndStandardFlag) {
  const ItemCase cases[] = {
      {"2 Colors", 2, false},         {"4 Colors", 4, false},
      {"8 Colors", 8, false},         {"8 Colors (VGA)", 8, true},
      {"16 Colors", 16, false},       {"16 Colors (VGA)", 16, true},
      {"32 Colors", 32, false},       {"64 Colors", 64, false},
      {"128 Colors", 128, false},     {"256 Colors", 256, false},
      {"16M True-Color", 16000, false},
  };
  for (const ItemCase& c : cases) {
    EXPECT_EQ(ItemColourCount(c.caption), c.colours) << c.caption;
    EXPECT_EQ(ItemStandardColours(c.caption), c.standard) << c.caption;
  }
  // Every item of every tab is one of the captions above.
  for (const ExportTab& tab : ExportTabs()) {
    for (const char* item : tab.items) {
      bool known = false;
      for (const ItemCase& c : cases) known = known || std::string(item) == c.caption;
      EXPECT_TRUE(known) << tab.caption << ": " << item;
    }
  }
  EXPECT_EQ(TabColourCount(kTabJpg, -1), 16000);
  EXPECT_EQ(TabColourCount(kTabPng, 0), 16000);
}

TEST(ExportItems, TabTableDefaultsAndFilters) {
  const auto& tabs = ExportTabs();
  ASSERT_EQ(tabs.size(), 8u);
  EXPECT_STREQ(tabs[kTabBmp].items[tabs[kTabBmp].default_item], "8 Colors (VGA)");
  EXPECT_STREQ(tabs[kTabIco].items[tabs[kTabIco].default_item], "16 Colors");
  EXPECT_STREQ(tabs[kTabGif].items[tabs[kTabGif].default_item], "16 Colors (VGA)");
  EXPECT_STREQ(tabs[kTabPcx].items[tabs[kTabPcx].default_item], "16 Colors (VGA)");
  EXPECT_STREQ(tabs[kTabTga].items[tabs[kTabTga].default_item], "256 Colors");
  EXPECT_STREQ(tabs[kTabPic].items[tabs[kTabPic].default_item], "16 Colors (VGA)");
  EXPECT_TRUE(tabs[kTabIco].hidden);
  EXPECT_FALSE(tabs[kTabPng].hidden);
  EXPECT_EQ(FindExportTab("gif"), kTabGif);
  EXPECT_EQ(FindExportTab(".Jpeg"), kTabJpg);
  EXPECT_EQ(FindExportTab("targa"), kTabTga);
  EXPECT_EQ(FindExportTab("webp"), -1);
}

// Expected default caption per tab (TGA, GIF, BMP, ICO, PIC, PCX) for a depth; "" keeps the
// current item.
struct DepthCase {
  int depth;
  const char* tga;
  const char* gif;
  const char* bmp;
  const char* ico;
  const char* pic;
  const char* pcx;
};

TEST(ExportItems, DefaultItemFollowsThePictureDepth) {
  const DepthCase cases[] = {
      {1, "256 Colors", "2 Colors", "2 Colors", "2 Colors", "2 Colors", "2 Colors"},
      {2, "", "4 Colors", "", "", "", ""},
      {4, "256 Colors", "16 Colors", "16 Colors", "16 Colors", "16 Colors", "16 Colors"},
      {8, "256 Colors", "256 Colors", "256 Colors", "256 Colors", "256 Colors", "256 Colors"},
      {24, "16M True-Color", "256 Colors", "16M True-Color", "16M True-Color", "256 Colors",
       "16M True-Color"},
      {32, "16M True-Color", "256 Colors", "16M True-Color", "16M True-Color", "256 Colors",
       "16M True-Color"},
  };
  for (const DepthCase& c : cases) {
    const std::pair<int, const char*> per_tab[] = {{kTabTga, c.tga}, {kTabGif, c.gif},
                                                   {kTabBmp, c.bmp}, {kTabIco, c.ico},
                                                   {kTabPic, c.pic}, {kTabPcx, c.pcx}};
    for (const auto& [tab, caption] : per_tab) {
      const int current = 0;  // the first item stands for "as it was"
      const int got = DefaultItemForDepth(tab, c.depth, current);
      const std::string want = *caption ? caption : ExportTabs()[tab].items[current];
      EXPECT_EQ(ExportTabs()[tab].items[got], want)
          << ExportTabs()[tab].caption << " depth " << c.depth;
    }
  }
}

TEST(ExportItems, Force236OnlyOnTheTwoHundredFiftySixItems) {
  for (int tab = 0; tab < kTabCount; ++tab) {
    const auto& items = ExportTabs()[tab].items;
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(Force236Applies(tab, static_cast<int>(i)), std::string(items[i]) == "256 Colors")
          << ExportTabs()[tab].caption << " " << items[i];
    }
  }
  ExportChoices gif;
  gif.tab = kTabGif;
  gif.force_236 = true;
  gif.item = FindExportItem(kTabGif, "256 Colors");
  EXPECT_TRUE(ReductionFor(gif).request.windows_236);
  gif.item = FindExportItem(kTabGif, "128 Colors");
  EXPECT_FALSE(ReductionFor(gif).request.windows_236);
}

TEST(ExportItems, WriterModesPerItem) {
  EXPECT_EQ(TgaModeFor(FindExportItem(kTabTga, "256 Colors")), 1);
  EXPECT_EQ(TgaModeFor(FindExportItem(kTabTga, "16M True-Color")), 2);
  const std::pair<const char*, int> pic[] = {
      {"2 Colors", 1}, {"16 Colors", 2}, {"16 Colors (VGA)", 2}, {"256 Colors", 3}};
  for (const auto& [caption, mode] : pic) EXPECT_EQ(PicModeFor(ItemColourCount(caption)), mode);
  const std::pair<const char*, int> pcx[] = {{"2 Colors", 1},
                                             {"16 Colors", 2},
                                             {"16 Colors (VGA)", 2},
                                             {"256 Colors", 3},
                                             {"16M True-Color", 4}};
  for (const auto& [caption, mode] : pcx) EXPECT_EQ(PcxModeFor(ItemColourCount(caption)), mode);
}

TEST(ExportNames, MissingExtensionIsAddedAndUnknownOnesRefused) {
  std::string refusal;
  EXPECT_EQ(ResolveExportName("/x/holiday", kTabGif, &refusal), "/x/holiday.GIF");
  EXPECT_EQ(ResolveExportName("/x/holiday.", kTabPcx, &refusal), "/x/holiday.PCX");
  EXPECT_EQ(ResolveExportName("/x.d/holiday", kTabBmp, &refusal), "/x.d/holiday.BMP");
  EXPECT_EQ(ResolveExportName("/x/holiday.jpeg", kTabGif, &refusal), "/x/holiday.jpeg");
  EXPECT_TRUE(refusal.empty());
  EXPECT_EQ(ResolveExportName("/x/holiday.webp", kTabGif, &refusal), std::nullopt);
  EXPECT_NE(refusal.find(".WEBP"), std::string::npos);
  EXPECT_NE(refusal.find(".BMP .GIF .ICO .JPG .PCX .PIC .PNG .TGA"), std::string::npos);
}

TEST(UniqueNames, TwoNamesInTheSameMillisecondDiffer) {
  test_support::TempDir dir;
  platform::PosixFiles files;
  fakes::FakeClock clock;
  clock.SetMillisecondsSinceMidnight(45296789);  // 12:34:56.789
  const std::string folder = dir.Path() + "/";
  const auto first = MakeUniqueName(files, clock, folder, "~LS", ".JPG", 5);
  const auto second = MakeUniqueName(files, clock, folder, "~LS", ".JPG", 5);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(*first, folder + "~LS96789.JPG");
  EXPECT_EQ(*second, folder + "~LS96790.JPG");
  EXPECT_TRUE(std::filesystem::exists(*first));
  EXPECT_TRUE(std::filesystem::exists(*second));
  // Only the two claimed names are left: no scratch file stays behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
}

TEST(UniqueNames, HundredTakenNamesOrAnUnwritableFolderGiveNoName) {
  test_support::TempDir dir;
  platform::PosixFiles files;
  fakes::FakeClock clock;
  clock.SetMillisecondsSinceMidnight(1200);
  const std::string folder = dir.Path() + "/";
  for (int i = 0; i < 100; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "~LS%02d.JPG", (1200 + i) % 100);
    dir.WriteText(name, "taken");
  }
  EXPECT_EQ(MakeUniqueName(files, clock, folder, "~LS", ".JPG", 2), std::nullopt);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 100);
  const auto tmp = MakeUniqueName(files, clock, folder, "~LS", ".TMP", 5);
  ASSERT_TRUE(tmp);
  EXPECT_EQ(tmp->rfind(folder + "~LS", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(*tmp));

  const std::string folder_locked = dir.Path() + "/locked";
  ::mkdir(folder_locked.c_str(), 0755);
  test_support::ReadOnlyFolder locked(folder_locked);
  if (locked.refuses_writes()) {
    EXPECT_EQ(MakeUniqueName(files, clock, folder_locked + "/", "~LS", ".JPG", 5), std::nullopt);
  }
}

}  // namespace
}  // namespace vr::colour
