// "Edit" in the web page wizard through the desktop's program for plain text, found as a user's
// desktop finds it (xdg-mime over a private XDG tree, then VISUAL), and program files dropped on
// the alternate programs window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "fakes/fake_services.h"
#include "picture/bitmap.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "platform/qt/qt_shell.h"
#include "test_support/temp_dir.h"
#include "web/ui/pick_alt_menu.h"
#include "web/ui/web_page_menu.h"

namespace vr::web::ui {
namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "web_edit_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Sets environment variables for one test and puts the old values back.
class EnvScope {
 public:
  void Set(const char* name, const std::optional<std::string>& value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~EnvScope() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

class WebEditTest : public ::testing::Test {
 protected:
  WebEditTest() : fakes_(dir_.File("home"), dir_.File("tmp")) {}
  void SetUp() override {
    EnsureApp();
    std::filesystem::create_directories(dir_.File("site"));
    picture::Bitmap bm;
    bm.Create(60, 40, picture::PixelFormat::k24);
    ASSERT_TRUE(codecs::SaveJpeg(dir_.File("site/one.jpg"), bm, {90, false}).ok);
    // A desktop of our own: the text/plain default and the entries live in the test's folder,
    // and no desktop session is named.
    std::filesystem::create_directories(dir_.File("xdg/config"));
    std::filesystem::create_directories(dir_.File("xdg/data/applications"));
    env_.Set("XDG_CONFIG_HOME", dir_.File("xdg/config"));
    env_.Set("XDG_DATA_HOME", dir_.File("xdg/data"));
    env_.Set("XDG_CONFIG_DIRS", dir_.File("xdg/none"));
    env_.Set("XDG_DATA_DIRS", dir_.File("xdg/none"));
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                             "GNOME_DESKTOP_SESSION_ID", "VISUAL", "EDITOR"}) {
      env_.Set(name, std::nullopt);
    }
    // The "editor" writes its arguments, one a line, to a file named after it.
    editor_ = dir_.WriteText("editor.sh",
                             "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args.part\"\n"
                             "mv \"$0.args.part\" \"$0.args\"\n");
    ::chmod(editor_.c_str(), 0755);
    services_.platform = fakes_.services();
    services_.platform.shell = &shell_;
    services_.keys = &keys_;
  }
  void DefaultTextEditor(const std::string& entry, const std::string& exec, bool terminal) {
    dir_.WriteText("xdg/config/mimeapps.list",
                   "[Default Applications]\ntext/plain=" + entry + "\n");
    dir_.WriteText("xdg/data/applications/" + entry,
                   "[Desktop Entry]\nType=Application\nName=Test Editor\nExec=" + exec +
                       (terminal ? "\nTerminal=true\n" : "\n"));
  }
  // What the editor was started with, once it has run.
  std::string EditorArgs() {
    const std::string args = editor_ + ".args";
    QElapsedTimer waited;
    waited.start();
    while (!std::filesystem::exists(args) && waited.elapsed() < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const std::string text = ReadText(args);
    std::filesystem::remove(args);
    return text;
  }
  std::unique_ptr<TWebPageMenu> Wizard() {
    auto menu = std::make_unique<TWebPageMenu>(nullptr, services_);
    fakes_.ui.QueueText(dir_.File("site"));
    menu->BPrimeItClick();
    menu->BNext2Click();
    EXPECT_EQ(menu->Panel(), 2);
    return menu;
  }
  std::string Site() const { return dir_.File("site") + "/"; }

  test_support::TempDir dir_;
  EnvScope env_;
  fakes::FakeServices fakes_;
  platform::QtShell shell_;
  WebWindowServices services_;
  WebFolderKeys keys_;
  std::string editor_;
};

TEST_F(WebEditTest, EditOpensThePageOrTheTemplateInTheDesktopsTextEditor) {
  if (std::system("command -v xdg-mime >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "xdg-mime is not installed; the desktop's default cannot be asked";
  }
  DefaultTextEditor("vr-test-editor.desktop", editor_ + " --line 1 %f", false);
  auto menu = Wizard();
  // Nothing to edit before the first page is made.
  EXPECT_FALSE(menu->EditEnabled());
  menu->MakeAllPages1Click();
  ASSERT_TRUE(menu->EditEnabled());
  menu->TBEditPageClick();
  EXPECT_EQ(EditorArgs(), "--line\n1\n" + Site() + "webpages/index.html\n");

  // Template mode edits the template, once there is one, after the note on its images.
  menu->TemplateBox()->setChecked(true);
  EXPECT_FALSE(menu->EditEnabled());
  menu->SBMakeTemplateClick();
  ASSERT_TRUE(menu->EditEnabled());
  menu->TBEditPageClick();
  EXPECT_EQ(fakes_.ui.last().text.rfind("If you add animated mailboxes", 0), 0u);
  EXPECT_EQ(EditorArgs(), "--line\n1\n" + Site() + "webpages/WP_Template.Html\n");
  fakes_.ui.QueueChoice(2);
  menu->reject();
}

TEST_F(WebEditTest, TerminalEntriesGiveWayToVisualAndNoEditorDisablesEdit) {
  // A terminal program shows nothing without a terminal: VISUAL, split as a shell would, comes
  // next with the file last.
  DefaultTextEditor("vr-term-editor.desktop", editor_ + " %f", true);
  env_.Set("VISUAL", editor_ + " -n 'two words'");
  ASSERT_TRUE(shell_.CanEditDocuments());
  ASSERT_TRUE(shell_.EditDocument(dir_.File("notes.txt")));
  EXPECT_EQ(EditorArgs(), "-n\ntwo words\n" + dir_.File("notes.txt") + "\n");

  // With no program at all the button stays disabled and says why; nothing is started.
  env_.Set("VISUAL", std::nullopt);
  env_.Set("EDITOR", dir_.File("no-such-editor"));
  EXPECT_FALSE(shell_.EditDocument(dir_.File("notes.txt")));
  auto menu = Wizard();
  menu->MakeAllPages1Click();
  EXPECT_TRUE(menu->ViewEnabled());
  EXPECT_FALSE(menu->EditEnabled());
  menu->reject();
}

// A real drop of file names on `target`; gives whether the drop was taken.
bool Drop(QWidget* target, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
  data.setUrls(urls);
  const QPointF at(5, 5);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier, QEvent::Drop);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

TEST_F(WebEditTest, ProgramsDroppedOnTheAlternatesWindowSetTheirField) {
  keys_[kBrowserKey] = "/usr/bin/old-browser";
  keys_[EditorKey(2) + 1] = "--fast";
  TPickAltIEMenu pick(nullptr, keys_);
  ASSERT_TRUE(Drop(pick.Program(2), {editor_, dir_.File("site/one.jpg")}));
  EXPECT_EQ(pick.Program(2)->text().toStdString(), editor_);
  // A folder is no program: the browser keeps its own.
  EXPECT_FALSE(Drop(pick.Program(0), {dir_.File("site")}));
  EXPECT_EQ(pick.Program(0)->text().toStdString(), "/usr/bin/old-browser");
  const WebFolderKeys keys = pick.Keys();
  EXPECT_EQ(keys[EditorKey(2)], editor_);
  EXPECT_EQ(keys[EditorKey(2) + 1], "--fast");
  EXPECT_EQ(keys[kBrowserKey], "/usr/bin/old-browser");
}

}  // namespace
}  // namespace vr::web::ui
