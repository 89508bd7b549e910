// Protected pictures in the running main window: the password is asked once, by the "Enter
// Password" window, and only for a picture the user opens; thumbnails never ask.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "../shell_ui/viewer_fixture.h"
#include "extras/protected_file.h"
#include "extras/ui/password_windows.h"
#include "lists/files_list.h"
#include "lists/window/thumb_maker.h"
#include "shell/ui/actions.h"

namespace vr::shell::ui {
namespace {

// The windows need an application object before the fixture builds one.
class QtApp : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "vr_extras_ui_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
};
const auto* const kQtApp = ::testing::AddGlobalTestEnvironment(new QtApp);

class ProtectedViewTest : public ViewerFixture {
 protected:
  int DialogResult(QDialog& dialog) override {
    if (dialog.objectName() == "PassEnterMenu") {
      messages_.push_back(dialog.findChild<QLabel*>("LPassMess")->text().toStdString() + "|" +
                          dialog.findChild<QLabel*>("LComplaint")->text().toStdString());
      if (typed_.empty()) return QDialog::Rejected;
      dialog.findChild<QLineEdit*>("EPassword")->setText(QString::fromStdString(typed_.front()));
      typed_.erase(typed_.begin());
      return QDialog::Accepted;
    }
    return QDialog::Rejected;
  }
  // Protects a file of the pictures folder with the stored password.
  std::string Protect(const std::string& path) {
    extras::PasswordStore store(dir_.File("VELDR.INI"));
    const extras::ProtectResult r = extras::ProtectOrUnprotect(
        store, extras::ProtectServices{nullptr, nullptr, nullptr}, path, true, false);
    EXPECT_TRUE(r.ok()) << r.message;
    return r.path;
  }
  std::vector<std::string> typed_;
  std::vector<std::string> messages_;
};

TEST_F(ProtectedViewTest, OnePasswordShowsProtectedBmpAndGifAndThumbnailsNeverAsk) {
  WriteSetUpSettings();
  ASSERT_EQ(extras::PasswordStore(dir_.File("VELDR.INI")).Set("Open Sesame"),
            extras::PasswordStore::SetResult::kSaved);
  const std::string bmp = Protect(WriteBmp("pics/a.bmp", 37, 21));
  const std::string gif = Protect(dir_.Write("pics/b.gif", TwoFrameGif()));
  const std::vector<uint8_t> gif_bytes = test_support::TempDir::Read(gif);

  // Before the password: a thumbnail job neither asks nor shows the picture.
  EXPECT_TRUE(list_window::MakeThumbnail(bmp, list_window::ThumbSettings()).failed);
  EXPECT_TRUE(dialogs_.empty());

  typed_ = {"wrong", "Open Sesame"};
  auto window = Start({bmp});
  EXPECT_EQ(messages_, (std::vector<std::string>{"File Requires Password|",
                                                 "File Requires Password|Invalid Password"}));
  EXPECT_EQ(window->shown().Width(), 37);
  EXPECT_EQ(window->shown().Height(), 21);

  // Once given, the rest of the run opens protected files without a question.
  window->files_list().AddFileToList(1 << 30, gif);
  window->files_list().SetCurrent(window->files_list().FindInFilesList(gif));
  window->ShowCurrentFile(false, 0);
  EXPECT_EQ(window->shown().Width(), 1);
  for (const std::string& text : services_.ui.MessageTexts()) {
    EXPECT_EQ(text.find("Error loading file:"), std::string::npos) << text;
  }
  EXPECT_EQ(messages_.size(), 2u);
  EXPECT_FALSE(list_window::MakeThumbnail(bmp, list_window::ThumbSettings()).failed);
  // The protected files themselves are untouched, and the plain copies are gone after use.
  EXPECT_EQ(test_support::TempDir::Read(gif), gif_bytes);
  for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
    EXPECT_NE(e.path().filename().string().rfind("~LS_Special_", 0), 0u) << e.path();
  }
}

TEST_F(ProtectedViewTest, PasswordSetupStoresOnceAndShowsItLocked) {
  WriteSetUpSettings();
  auto window = Start();
  std::string shown_state;
  on_dialog_ = [&](QDialog& dialog) {
    auto* menu = dynamic_cast<extras::ui::TPasswordMenu*>(&dialog);
    ASSERT_NE(menu, nullptr);
    if (menu->BPassword->isEnabled()) {
      menu->EPassword->setText("abc");
      menu->EPassword2->setText("abd");
      menu->BPasswordClick();  // the fields differ
      menu->EPassword2->setText("abc");
      services_.ui.QueueAnswer(platform::Answer::kYes);
      menu->BPasswordClick();
    }
    shown_state = menu->EPassword->text().toStdString() + (menu->EPassword->isEnabled() ? "+" : "-");
  };
  window->action(Act::kPasswordSetup)->trigger();
  EXPECT_EQ(services_.ui.MessageTexts(),
            (std::vector<std::string>{extras::ui::kPasswordsDiffer, extras::ui::kSetPasswordQuestion,
                                      extras::PasswordStore::SetResultText(
                                          extras::PasswordStore::SetResult::kSaved)}));
  EXPECT_EQ(extras::PasswordStore(dir_.File("VELDR.INI")).password(), "abc");
  window->action(Act::kPasswordSetup)->trigger();
  EXPECT_EQ(shown_state, "abc-");
  EXPECT_EQ(dialogs_, (std::vector<std::string>{"Password Options", "Password Options"}));
}

}  // namespace
}  // namespace vr::shell::ui
