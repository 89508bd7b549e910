// Editors found from a temporary desktop tree: which entries are offered, in which order, and
// the command each slot runs.
#include "extras/desktop_editors.h"
#include "extras/editors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "extras/editor_offer.h"
#include "fakes/fake_please_wait.h"
#include "test_support/temp_dir.h"

namespace vr::extras {
namespace {

using test_support::TempDir;

std::string Program(const TempDir& dir, const std::string& name) {
  const std::string path = dir.WriteText("bin/" + name, "#!/bin/sh\nexit 0\n");
  ::chmod(path.c_str(), 0755);
  return path;
}

std::string Entry(const std::string& name, const std::string& exec, const std::string& categories,
                  const std::string& extra = "", const std::string& mime = "image/png;image/gif;") {
  return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec +
         "\nMimeType=" + mime + "\nCategories=" + categories + "\n" + extra +
         "[Desktop Action new]\nName=Other\n";
}

TEST(DesktopEditors, OffersShownPaintProgramsWithTheUsersPicksFirst) {
  TempDir dir;
  const std::string paint = Program(dir, "paintpro");
  const std::string flatpak = Program(dir, "flatpak");
  const std::string own = Program(dir, "veldrimon");
  const std::string home = dir.File("home/share");
  const std::string system = dir.File("usr/share");
  dir.WriteText("home/share/applications/paint.desktop",
                Entry("Paint Pro", paint + " %f", "Graphics;RasterGraphics;"));
  dir.WriteText("home/share/applications/aardvark.desktop",
                Entry("Aardvark Paint", paint + " --new %U", "2DGraphics;"));
  dir.WriteText("home/share/applications/org.x.Draw.desktop",
                Entry("Draw", flatpak + " run --branch=stable org.x.Draw @@ %F @@",
                      "Graphics;2DGraphics;"));
  dir.WriteText("home/share/applications/viewer.desktop",
                Entry("Looker", paint + " %f", "Graphics;RasterGraphics;Viewer;"));
  dir.WriteText("home/share/applications/hidden.desktop",
                Entry("Hidden", paint + " %f", "RasterGraphics;", "NoDisplay=true\n"));
  dir.WriteText("home/share/applications/gone.desktop",
                Entry("Gone", dir.File("bin/missing") + " %f", "RasterGraphics;"));
  dir.WriteText("home/share/applications/notes.desktop",
                Entry("Notes", paint + " %f", "RasterGraphics;", "", "text/plain;"));
  dir.WriteText("home/share/applications/veldrimon.desktop",
                Entry("Veldrimon", own + " %F", "Graphics;RasterGraphics;"));
  // The same id lower in precedence is not read.
  dir.WriteText("usr/share/applications/paint.desktop",
                Entry("System Paint", paint + " %f", "RasterGraphics;"));
  dir.WriteText("usr/share/applications/kolour/brush.desktop",
                Entry("Brush", "paintpro %f", "RasterGraphics;"));
  dir.WriteText("config/mimeapps.list",
                "[Default Applications]\ntext/plain=notes.desktop\nimage/png=org.x.Draw.desktop;\n"
                "[Added Associations]\nimage/gif=kolour-brush.desktop;\n");

  DesktopEnvironment env;
  env.data_home = home;
  env.data_dirs = {system};
  env.config_home = dir.File("config");
  env.path = dir.File("bin");
  const std::vector<DesktopEditor> found = FindDesktopEditors(env, {"image/png", "image/gif"});
  std::vector<std::string> names;
  for (const DesktopEditor& e : found) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"Draw", "Brush", "Aardvark Paint", "Paint Pro"}));
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[1].id, "kolour-brush.desktop");
  EXPECT_EQ(found[3].entry_path, home + "/applications/paint.desktop");
  EXPECT_EQ(FoundEditorQuestion(found[3]),
            "Found a paint program: " + found[3].entry_path +
                "\r\rPaint Pro\r\rDo you wish to use this as one of the 5 editors Veldrimon will "
                "use to edit your files?\r\rClick YES to add, or NO to skip, if unsure click YES.");

  // Each slot's command: the entry's Exec line with the file, blanks kept in one argument.
  const std::string file = "/pics/My Photos/Cat.PNG";
  EXPECT_EQ(EditorCommand(found[0].entry_path, file),
            (std::vector<std::string>{flatpak, "run", "--branch=stable", "org.x.Draw", file}));
  EXPECT_EQ(EditorCommand(found[2].entry_path, file),
            (std::vector<std::string>{paint, "--new", file}));
  EXPECT_EQ(EditorCommand("/opt/My Editor/edit", file),
            (std::vector<std::string>{"/opt/My Editor/edit", file}));
}

TEST(DesktopEditors, ThePleaseWaitWindowNamesEachFolderAndItsStopSkipsOnlyThatFolder) {
  TempDir dir;
  const std::string paint = Program(dir, "paintpro");
  for (const char* name : {"a", "b", "c"}) {
    dir.WriteText(std::string("home/share/applications/") + name + ".desktop",
                  Entry(std::string("Home ") + name, paint + " %f", "RasterGraphics;"));
  }
  dir.WriteText("usr/share/applications/d.desktop",
                Entry("System d", paint + " %f", "RasterGraphics;"));
  dir.WriteText("opt/share/applications/sub/e.desktop",
                Entry("Opt e", paint + " %f", "RasterGraphics;"));
  DesktopEnvironment env;
  env.data_home = dir.File("home/share");
  env.data_dirs = {dir.File("usr/share"), dir.File("opt/share")};
  env.path = dir.File("bin");

  auto names = [](const std::vector<DesktopEditor>& found) {
    std::vector<std::string> out;
    for (const DesktopEditor& e : found) out.push_back(e.name);
    return out;
  };
  // Stop pressed while the second folder is read: its rest is skipped, the third still read.
  fakes::FakePleaseWait wait;
  fakes::FakeMessagePump pump;
  wait.StopWhenTextContains("usr/share");
  const std::vector<DesktopEditor> found = SearchDesktopEditors(env, {"image/png"}, &wait, &pump);
  EXPECT_EQ(names(found),
            (std::vector<std::string>{"Home a", "Home b", "Home c", "Opt e"}));
  EXPECT_EQ(wait.texts(), (std::vector<std::string>{
                              "Searching...", "Searching:" + env.data_home + "/applications",
                              "Searching:" + dir.File("usr/share") + "/applications",
                              "Searching:" + dir.File("opt/share") + "/applications"}));
  EXPECT_EQ(wait.captions().front(), "Skip Drive");
  EXPECT_EQ(wait.StopCaption(), platform::PleaseWait::kDefaultStopCaption);
  EXPECT_FALSE(wait.IsVisible());
  EXPECT_EQ(wait.shows(), 1);
  EXPECT_GE(pump.count(), 1);
  // Stop on the first folder: only that one goes.
  fakes::FakePleaseWait first;
  first.StopWhenTextContains("home/share");
  EXPECT_EQ(names(SearchDesktopEditors(env, {"image/png"}, &first, nullptr)),
            (std::vector<std::string>{"Opt e", "System d"}));
  // Without a window: everything, silently.
  EXPECT_EQ(names(SearchDesktopEditors(env, {"image/png"}, nullptr, nullptr)).size(), 5u);
}

TEST(DesktopEditors, ExecLinesKeepQuotesAndDropOtherCodes) {
  EXPECT_EQ(ExecArguments(R"("/opt/a b/x" -i %i --name=%c "q\"t" 100%% %f)", "/f"),
            (std::vector<std::string>{"/opt/a b/x", "-i", "--name=", "q\"t", "100%", "/f"}));
  EXPECT_TRUE(ExecArguments("\"unclosed %f", "/f").empty());
  EXPECT_EQ(ResolveProgram("sh", "/nonexistent:/bin:/usr/bin").value_or("").substr(0, 1), "/");
  EXPECT_FALSE(ResolveProgram("no-such-program-here", "/bin"));
}

TEST(EditCurrentFile, TypeTableSlotsAndTexts) {
  EditorTable table;
  // The default table: editor 1 for GIF, BMP and the JPEG names, none for the rest.
  for (const char* ext : {".AVI", ".BMP", ".GIF", ".JPG", ".PNG", ".jpeg"}) {
    const std::string e = ext;
    const bool first = e == ".BMP" || e == ".GIF" || e == ".JPG" || e == ".jpeg";
    table.type_entries.push_back(std::string("[") + (first ? "1" : "0") + "] " + e);
  }
  table.paths[0] = "/opt/Paint Shop/paint";
  const EditPlan png = PlanEdit(table, "/pics/cat.png", 0);
  EXPECT_FALSE(png.ok);
  EXPECT_EQ(png.message,
            "Veldrimon: NO EDITOR assigned to file type of \".PNG\". Go into Editor Options menu "
            "item. Then assign an Editor # for the file type in order to be able to edit files of "
            "type \".PNG\".");
  // Slot 3 asked for and empty: no editor, whatever the type has.
  EXPECT_EQ(PlanEdit(table, "/pics/dog.gif", 3).message, NoEditorText(".GIF"));
  // The type's editor, with blanks in both paths and the case of the file kept.
  const EditPlan gif = PlanEdit(table, "/pics/My Dogs/Dog.Jpeg", 0);
  ASSERT_TRUE(gif.ok);
  EXPECT_EQ(gif.command,
            (std::vector<std::string>{"/opt/Paint Shop/paint", "/pics/My Dogs/Dog.Jpeg"}));
  EXPECT_EQ(gif.folder, "/pics/My Dogs/");
  // No known extension: the first entry's editor.
  table.type_entries[0] = "[1] .AVI";
  EXPECT_TRUE(PlanEdit(table, "/pics/README", 0).ok);
  EXPECT_EQ(EditorFailedText("/e", "/f"), "The EDITOR to use is:/e\r\rThe file to EDIT is:/f");
  EXPECT_EQ(EditorCaption(2, "/usr/share/applications/gimp.desktop"),
            "Edit Current File With Editor #2  (gimp.desktop)");
}

}  // namespace
}  // namespace vr::extras
