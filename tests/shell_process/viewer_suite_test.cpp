// The real viewer, as a user meets it: pictures of every kind opened from the command line and
// looked at on screen, the Notes database reaching the files list, recent folders across a
// restart, and every enabled menu entry of the main window and the files list window.
#include <algorithm>
#include <map>
#include <set>

#include "metafile/metafile_builder.h"
#include "picture/codecs/codec_api.h"
#include "notes/notes_database.h"
#include "notes/notes_record.h"
#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;
using vr::picture::Bitmap;
using vr::picture::Rgb;

constexpr uint32_t kRedRef = 0x0000FF;   // COLORREF 0x00BBGGRR
constexpr uint32_t kBlueRef = 0xFF0000;

// A picture of w x h whose bytes vary, so that turning or mirroring it changes what is shown.
Bitmap Gradient(int w, int h) {
  Bitmap bitmap;
  bitmap.Create(w, h, vr::picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < w * 3; ++x) row[x] = static_cast<uint8_t>(x * 5 + y * 17);
  }
  return bitmap;
}

// Literal-only LZW codes of `count` pixels of colour 0 with a minimum code size of 2, as a GIF
// image's data sub-blocks.
std::vector<uint8_t> ZeroPixelsLzw(int count) {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](uint32_t code, int width) {
    acc |= code << bits;
    bits += width;
    while (bits >= 8) {
      bytes.push_back(static_cast<uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  };
  int width = 3;
  int next = 6;
  put(4, width);  // clear
  for (int i = 0; i < count; ++i) {
    put(0, width);
    if (i > 0 && ++next == (1 << width) && width < 12) ++width;
  }
  put(5, width);  // end
  if (bits > 0) bytes.push_back(static_cast<uint8_t>(acc));
  // The data goes behind the code size and the block length.
  bytes.insert(bytes.begin(), static_cast<uint8_t>(bytes.size()));
  bytes.insert(bytes.begin(), 2);
  bytes.push_back(0);
  return bytes;
}

// An animated 4 x 2 GIF of two images, each with its own colour table and no global one: a red
// 4 x 2 image, then a blue 2 x 2 one over the left half.
std::vector<uint8_t> LocalTablesGif() {
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x00, 0, 0};
  struct Image {
    int width;
    Rgb colour;
  };
  for (const Image& image : {Image{4, Rgb{255, 0, 0}}, Image{2, Rgb{0, 0, 255}}}) {
    const std::vector<uint8_t> control = {0x21, 0xF9, 4, 0x04, 10, 0, 0, 0};  // keep, 0.1 s
    gif.insert(gif.end(), control.begin(), control.end());
    const std::vector<uint8_t> descriptor = {',', 0, 0, 0, 0, static_cast<uint8_t>(image.width),
                                             0,   2, 0, 0x80};  // local table of 2 entries
    gif.insert(gif.end(), descriptor.begin(), descriptor.end());
    const std::vector<uint8_t> table = {image.colour.r, image.colour.g, image.colour.b, 0, 0, 0};
    gif.insert(gif.end(), table.begin(), table.end());
    const std::vector<uint8_t> data = ZeroPixelsLzw(image.width * 2);
    gif.insert(gif.end(), data.begin(), data.end());
  }
  gif.push_back(';');
  return gif;
}

// A 4 x 2 GIF of one image whose 256-entry global table starts with a colour that 6-bit
// palettes cannot hold, (8, 16, 18); every pixel is index 0.
std::vector<uint8_t> FineColourGif() {
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x87, 0, 0};
  for (int i = 0; i < 256; ++i) {
    const uint8_t v = static_cast<uint8_t>(i);
    gif.push_back(i == 0 ? 8 : v);
    gif.push_back(i == 0 ? 16 : v);
    gif.push_back(i == 0 ? 18 : v);
  }
  const std::vector<uint8_t> descriptor = {',', 0, 0, 0, 0, 4, 0, 2, 0, 0x00};
  gif.insert(gif.end(), descriptor.begin(), descriptor.end());
  const std::vector<uint8_t> data = ZeroPixelsLzw(8);
  gif.insert(gif.end(), data.begin(), data.end());
  gif.push_back(';');
  return gif;
}

// A 5 x 3 TGA of type 3 (grey) at 16 bits: a grey byte and an alpha byte per pixel, top row
// first.
std::vector<uint8_t> GreyAlphaTga() {
  std::vector<uint8_t> tga = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 16, 0x28};
  for (int i = 0; i < 15; ++i) {
    tga.push_back(static_cast<uint8_t>(i * 16));
    tga.push_back(255);
  }
  return tga;
}

struct Counts {
  int red = 0;
  int blue = 0;
  double red_x = 0;   // mean column of the red pixels
  double blue_x = 0;  // mean column of the blue pixels
};

Counts CountColours(const Bitmap& shot) {
  Counts c;
  for (int y = 0; y < shot.Height(); ++y) {
    for (int x = 0; x < shot.Width(); ++x) {
      const Rgb p = shot.ColourAt(x, y);
      if (p.r >= 240 && p.g <= 15 && p.b <= 15) {
        ++c.red;
        c.red_x += x;
      } else if (p.b >= 240 && p.r <= 15 && p.g <= 15) {
        ++c.blue;
        c.blue_x += x;
      }
    }
  }
  if (c.red > 0) c.red_x /= c.red;
  if (c.blue > 0) c.blue_x /= c.blue;
  return c;
}

class ViewerSuiteTest : public ViewerProcessTest {
 protected:
  // Opens `path` in a fresh viewer and gives the picture's size as the viewer reports it
  // ("picture=W H") with the window as shown in `shot`, once the picture is up.
  std::string OpenAndSnap(const std::string& path, Bitmap& shot) {
    StartViewer({path});
    const std::string file = dir_.File("shot.bmp");
    std::string result;
    // The first show runs from the message loop: ask until the picture is the one shown.
    for (int attempt = 0; attempt < 50; ++attempt) {
      result = Command({"!snapshot " + file}, viewer_state_);
      if (result.rfind("picture=", 0) == 0 && result != "picture=1 1\n") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(vr::codecs::LoadBmpFile(file, shot).ok()) << result;
    return result;
  }

  std::string Listing() { return Command({"!list"}, viewer_state_); }
};

TEST_F(ViewerSuiteTest, WmfAndEmfAreShownWithTheirOwnPixels) {
  using vr::metafile::testing::EmfBuilder;
  using vr::metafile::testing::WmfBuilder;
  // Left half red, right half blue; 100 x 100 units at 96 per inch.
  WmfBuilder wmf(0, 0, 100, 100, 96);
  wmf.Pen(5, 0, 0).Record(0x012D, {0});
  wmf.SolidBrush(kRedRef).Record(0x012D, {1}).Record(0x041B, {100, 50, 0, 0});
  wmf.SolidBrush(kBlueRef).Record(0x012D, {2}).Record(0x041B, {100, 100, 0, 50});
  const std::string wmf_path = dir_.Write("halves.wmf", wmf.Finish());
  Bitmap shot;
  EXPECT_EQ(OpenAndSnap(wmf_path, shot), "picture=100 100\n");
  Counts c = CountColours(shot);
  EXPECT_GT(c.red, 2000);
  EXPECT_GT(c.blue, 2000);
  EXPECT_LT(c.red_x, c.blue_x);  // red on the left
  EXPECT_NEAR(c.red, c.blue, c.red / 5);
  Quit(running_.front());

  // The same halves as an EMF of 25.4 mm square (96 pixels at 96 per inch).
  EmfBuilder emf(2540, 2540);
  emf.Select(0x80000008);  // NULL_PEN
  emf.SolidBrush(1, kRedRef).Select(1).Record(43, {0, 0, 50, 100});
  emf.SolidBrush(2, kBlueRef).Select(2).Record(43, {50, 0, 100, 100});
  const std::string emf_path = dir_.Write("halves.emf", emf.Finish());
  EXPECT_EQ(OpenAndSnap(emf_path, shot), "picture=96 96\n");
  c = CountColours(shot);
  EXPECT_GT(c.red, 2000);
  EXPECT_GT(c.blue, 2000);
  EXPECT_LT(c.red_x, c.blue_x);
  Quit(running_.front());
}

TEST_F(ViewerSuiteTest, ToolConvertsAMetafileToBmp) {
  using vr::metafile::testing::WmfBuilder;
  WmfBuilder wmf(0, 0, 100, 100, 96);
  wmf.Pen(5, 0, 0).Record(0x012D, {0});
  wmf.SolidBrush(kRedRef).Record(0x012D, {1}).Record(0x041B, {100, 100, 0, 0});
  const std::string in = dir_.Write("red.wmf", wmf.Finish());
  const std::string out = dir_.File("red.bmp");
  // No display: the tool draws off-screen on its own.
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              std::string(VELDRIMON_TOOL_BINARY) + " convert " + in + " " + out +
                              " 2>" + dir_.File("tool.err");
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(dir_.File("tool.err"));
  Bitmap bitmap;
  ASSERT_TRUE(vr::codecs::LoadBmpFile(out, bitmap).ok());
  EXPECT_EQ(bitmap.Width(), 100);
  EXPECT_EQ(bitmap.Height(), 100);
  EXPECT_EQ(bitmap.ColourAt(50, 50), (Rgb{255, 0, 0}));
  EXPECT_EQ(bitmap.ColourAt(2, 97), (Rgb{255, 0, 0}));
}

TEST_F(ViewerSuiteTest, AnimatedGifWithLocalColourTablesIsShownAtItsSize) {
  const std::string gif = dir_.Write("local.gif", LocalTablesGif());
  Bitmap shot;
  EXPECT_EQ(OpenAndSnap(gif, shot), "picture=4 2\n");
  // Whatever frame is up, an image's own colours are on screen: the red of the first or the blue
  // of the second. (Playing, the second image's table recolours the canvas, so which of the two
  // shows depends on when the snapshot falls.)
  const Counts c = CountColours(shot);
  EXPECT_GT(c.red + c.blue, 0);
}

// Still mode (what `convert` writes) composes the two images each in its own colours: blue on
// the left half, red on the right.
TEST_F(ViewerSuiteTest, StillModeKeepsEachImagesOwnColours) {
  const std::string gif = dir_.Write("local.gif", LocalTablesGif());
  const std::string out = dir_.File("local.bmp");
  const std::string command = std::string(VELDRIMON_TOOL_BINARY) + " convert " + gif + " " + out;
  ASSERT_EQ(std::system(command.c_str()), 0);
  Bitmap bitmap;
  ASSERT_TRUE(vr::codecs::LoadBmpFile(out, bitmap).ok());
  ASSERT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.ColourAt(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(bitmap.ColourAt(3, 1), (Rgb{255, 0, 0}));
}

// Converting a palette picture from one format to another keeps every colour to the last bit.
TEST_F(ViewerSuiteTest, ConversionsKeepEightBitPaletteColours) {
  const std::string gif = dir_.Write("fine.gif", FineColourGif());
  const std::string pcx = dir_.File("fine.pcx");
  const std::string tga = dir_.File("fine.tga");
  const std::string tool = std::string(VELDRIMON_TOOL_BINARY) + " convert ";
  ASSERT_EQ(std::system((tool + gif + " " + pcx).c_str()), 0);
  ASSERT_EQ(std::system((tool + pcx + " " + tga).c_str()), 0);
  for (const std::string& path : {pcx, tga}) {
    Bitmap bitmap;
    const auto read = path == pcx ? vr::codecs::LoadPcx(path, bitmap, {})
                                  : vr::codecs::LoadTga(path, bitmap, {});
    ASSERT_TRUE(read.ok()) << path << ": " << read.error;
    ASSERT_EQ(bitmap.Format(), vr::picture::PixelFormat::k8) << path;
    EXPECT_EQ(bitmap.ColourAt(3, 1), (Rgb{8, 16, 18})) << path;
  }
}

TEST_F(ViewerSuiteTest, SixteenBitGreyTgaLoads) {
  const std::string tga = dir_.Write("grey.tga", GreyAlphaTga());
  Bitmap shot;
  EXPECT_EQ(OpenAndSnap(tga, shot), "picture=5 3\n");
}

TEST_F(ViewerSuiteTest, NotesOnlyDriveLoadAddsExactlyTheLiveNotedFilesWithTheirField) {
  std::filesystem::create_directories(dir_.File("pics"));
  std::map<std::string, std::string> noted;  // path -> category
  std::vector<std::string> all;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"}) {
    all.push_back(dir_.File(std::string("pics/") + name));
    ASSERT_TRUE(vr::codecs::SaveBmp(all.back(), Gradient(6, 4)).ok);
  }
  {
    vr::notes::NotesDatabase db;
    ASSERT_EQ(db.OpenNotesDatabase(home_ + "/LSNOTES"), 0u);
    auto note = [&db](const std::string& path, const std::string& text) {
      vr::notes::NotesRecord record;
      record.category = "not shown";  // the column starts with the notes text
      record.notes = text;
      record.live_flag = vr::notes::kLive;
      ASSERT_EQ(db.WriteNote(path, record).status, 0u) << path;
    };
    note(all[0], "Cats");
    note(all[1], "Dogs");
    note(all[2], "Gone");  // noted, then the note is deleted
    ASSERT_EQ(db.DeleteNote(all[2]).status, 0u);
    note(all[4], "Moved");  // noted, then the file goes
    db.CloseNotesDatabase();
  }
  std::filesystem::remove(all[4]);
  StartViewer();
  // The drive entry whose root is the longest prefix of the test folder.
  const std::string listing = Listing();
  const std::string menu = "File|Load Allowable File Types From Drive(s)|";
  std::string drive;
  size_t best = 0;
  for (const std::string& value : Values(listing, "entry")) {
    if (value.rfind(menu + "Drive ", 0) != 0) continue;
    const std::string caption = value.substr(menu.size(), value.find('|', menu.size()) - menu.size());
    const std::string root = caption.substr(6);
    if (dir_.Path().rfind(root, 0) == 0 && root.size() > best) {
      best = root.size();
      drive = caption;
    }
  }
  ASSERT_FALSE(drive.empty()) << listing;
  EXPECT_EQ(Command({menu + "ONLY Load files from NOTES DataBase", menu + drive}, viewer_state_),
            "ok\nok\n");
  const std::string entries = Command({"!entries"}, viewer_state_);
  EXPECT_EQ(entries, "entry=" + all[0] + "|Cats\nentry=" + all[1] + "|Dogs\n");
  // The mark goes after each drive load.
  EXPECT_NE(Listing().find("entry=" + menu + "ONLY Load files from NOTES DataBase|1|0\n"),
            std::string::npos);
  Quit(running_.front());
}

// The search window opens from the File menu; "&Delete NOTES DataBase": Cancel at the first
// question keeps everything, two OKs empty the files list and leave an empty database that the
// viewer goes on using.
TEST_F(ViewerSuiteTest, DeletingTheNotesDatabaseFromTheMenuLeavesAnEmptyOneInUse) {
  const std::string picture = dir_.File("kept.bmp");
  ASSERT_TRUE(vr::codecs::SaveBmp(picture, Gradient(6, 4)).ok);
  {
    vr::notes::NotesDatabase db;
    ASSERT_EQ(db.OpenNotesDatabase(home_ + "/LSNOTES"), 0u);
    vr::notes::NotesRecord record;
    record.notes = "old note";
    ASSERT_EQ(db.WriteNote(picture, record).status, 0u);
    db.CloseNotesDatabase();
  }
  StartViewer({picture});
  const std::string entry = "File|Delete NOTES DataBase";
  bool answered = false;
  std::string modal;
  // The search window opens from the same menu.
  EXPECT_EQ(Command({"File|Search/Edit   Load From DataBase"}, viewer_state_, true, &answered,
                    &modal),
            "ok\n");
  EXPECT_EQ(modal.substr(0, modal.find('\n')), "Notes DataBase Search");
  modal.clear();
  EXPECT_EQ(Command({entry}, viewer_state_, true, &answered, &modal), "ok\n");
  EXPECT_EQ(Command({"!entries"}, viewer_state_), "entry=" + picture + "|old note\n");
  modal.clear();
  EXPECT_EQ(Command({entry}, viewer_state_, true, &answered, &modal, 20000, "!press OK"), "ok\n");
  EXPECT_FALSE(modal.empty());
  EXPECT_EQ(Command({"!entries"}, viewer_state_), "");
  Quit(running_.front());
  vr::notes::NotesDatabase db;
  ASSERT_EQ(db.OpenNotesDatabase(home_ + "/LSNOTES"), 0u);
  EXPECT_EQ(db.NoteCount(), 0);
  db.CloseNotesDatabase();
}

// Paths keep their case: a folder opened once is offered again, as it is spelled, after a
// restart, and its "Recent Folders" entry opens the file dialog in it.
TEST_F(ViewerSuiteTest, RecentFolderWithMixedCaseIsReopenedAfterARestart) {
  std::filesystem::create_directories(dir_.File("MixedCase/Pics"));
  const std::string folder = dir_.File("MixedCase/Pics");
  const std::string photo = folder + "/Photo.bmp";
  ASSERT_TRUE(vr::codecs::SaveBmp(photo, Gradient(6, 4)).ok);
  StartViewer();
  bool answered = false;
  std::string modal;
  EXPECT_EQ(Command({"File|Load File(s) From Current Folder"}, viewer_state_, true, &answered,
                    &modal, 20000, "!choose " + photo),
            "ok\n");
  EXPECT_EQ(modal.substr(0, modal.find('\n')), "Open");
  std::string state = WaitState(
      viewer_state_, [](const std::string& t) { return !Values(t, "entry").empty(); }, 10000);
  ASSERT_EQ(Values(state, "entry"), std::vector<std::string>{photo});
  Quit(running_.front());

  std::filesystem::remove(viewer_state_);
  StartViewer();
  // The entry is the folder as spelled, with or without its trailing separator.
  const std::string listing = Listing();
  std::string recent = "File|Recent Folders|" + folder + "/";
  if (listing.find("entry=" + recent + "|1|") == std::string::npos) recent.pop_back();
  ASSERT_NE(listing.find("entry=" + recent + "|1|"), std::string::npos) << listing;
  modal.clear();
  EXPECT_EQ(Command({recent}, viewer_state_, true, &answered, &modal, 20000, "!choose " + photo),
            "ok\n");
  EXPECT_EQ(modal, "Open\nfolder=" + folder + "\n");
  state = WaitState(
      viewer_state_, [](const std::string& t) { return !Values(t, "entry").empty(); }, 10000);
  EXPECT_EQ(Values(state, "entry"), std::vector<std::string>{photo});
  Quit(running_.front());
}

// Every enabled entry of both windows' menus changes something a user can see: the state of the
// window, the menus, the open windows, a message, a modal window, or the picture shown.
TEST_F(ViewerSuiteTest, EveryEnabledMenuEntryDoesSomethingObservable) {
  std::filesystem::create_directories(dir_.File("pics"));
  std::vector<std::string> pictures;
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
    pictures.push_back(dir_.File(std::string("pics/") + name));
    ASSERT_TRUE(vr::codecs::SaveBmp(pictures.back(), Gradient(40, 30)).ok);
  }
  const std::string log = dir_.File("ui.log");
  StartViewer(pictures, {"VELDRIMON_UI_LOG=" + log});
  // Reviewed: entries left out of the walk, and entries that may change nothing in this walk
  // for a reason of the test's own making.
  auto left_out = [](const std::string& path) {
    return path == "File|Exit" ||
           // They scan every drive of the machine.
           path == "File|Load ALL Images From All Hard Drives Into Files List" ||
           path.rfind("File|Load Allowable File Types From Drive(s)|", 0) == 0;
  };
  const std::set<std::string> may_rest = {
      // Hands the file to the desktop, which the offscreen platform does not have.
      "Help|README.TXT",
      // Back to the screen's own depth: on the test's true-colour screen the same as before.
      "View|Windows Screen BootUp Mode",
      // They act on preview windows; the walk opens none.
      "Previews|Hide All Previews", "Previews|Show All Previews", "Previews|Tile All Previews",
      "Previews|Remove All Previews", "Previews|Display Next Preview",
      "@list|Previews|Hide All Previews", "@list|Previews|Show All Previews",
      "@list|Previews|Tile All Previews", "@list|Previews|Remove All Previews",
      "@list|Previews|Display Next Preview",
      // They act on the rows highlighted in the files list window; none is.
      "@list|Previews|Preview (Open LARGE Preview Window For Picture)", "@list|Tags|Tag HI-LITED",
      "@list|Tags|UN-Tag HI-LITED",
      // Closes the files list window, which entries before it may have closed already.
      "@list|File|Exit",
      // The search window, which the main window's entry opened earlier in the walk, is open.
      "@list|View|Search File List By...",
      // The files list window's entry opened the album manager (docked) earlier in the walk.
      "View|Album Manager (Group Related Files)",
      // Nothing is tagged at that point of the walk.
      "@list|Tags|No Tags", "@list|Tags|Sort By Tag"};
  auto observe = [&] {
    const std::string shot = dir_.File("walk.bmp");
    std::string seen = Command({"!list", "!snapshot " + shot}, viewer_state_, true);
    seen += ReadAll(viewer_state_) + ReadAll(log) + ReadAll(shot);
    return seen;
  };
  // Runs `path`; true when something observable changed (or a modal window came up).
  auto acts = [&](const std::string& path, std::string* result) {
    const std::string before = observe();
    bool answered = false;
    std::string modal;
    *result = Command({path}, viewer_state_, true, &answered, &modal);
    if (!answered) *result = "no answer";
    return !modal.empty() || observe() != before;
  };
  std::vector<std::pair<std::string, bool>> entries;  // enabled entries and their check marks
  for (const std::string& value : Values(Listing(), "entry")) {
    const size_t flags = value.rfind('|', value.rfind('|') - 1);
    if (value.substr(flags + 1, 1) == "1") {
      entries.emplace_back(value.substr(0, flags), value.substr(flags + 3, 1) == "1");
    }
  }
  ASSERT_GT(entries.size(), 20u);
  std::vector<std::string> did_nothing;
  std::vector<std::string> failed;
  int walked = 0;
  for (const auto& [path, checked] : entries) {
    if (left_out(path)) continue;
    std::string result;
    bool changed = acts(path, &result);
    if (result == "no answer") {
      failed.push_back(path + " (no answer)");
      break;
    }
    if (result == "disabled\n" || result == "missing\n") continue;  // an earlier entry changed it
    ++walked;
    // An effect on a picture that an earlier effect already changed the same way gets a second
    // look on a freshly shown picture.
    if (!changed && path.rfind("EffecTs|", 0) == 0) {
      Command({"Edit|Last File in List"}, viewer_state_, true);
      Command({"Edit|1st File In List"}, viewer_state_, true);
      changed = acts(path, &result);
    }
    // Choosing the choice already chosen changes nothing.
    if (!changed && !checked && may_rest.count(path) == 0) did_nothing.push_back(path);
  }
  EXPECT_GT(walked, 20);
  EXPECT_EQ(failed, std::vector<std::string>{});
  EXPECT_EQ(did_nothing, std::vector<std::string>{});
  ASSERT_TRUE(Alive(running_.front()));
}

}  // namespace
