// The web page wizard on the offscreen platform with the scripted Ui, over a real Web Folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QSpinBox>
#include <filesystem>
#include <fstream>

#include "fakes/fake_services.h"
#include "picture/bitmap.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "test_support/temp_dir.h"
#include "web/ui/web_page_menu.h"
#include "web/ui/web_preview.h"
#include "web/web_folder.h"
#include "web/web_run.h"

namespace vr::web::ui {
namespace {

using platform::Answer;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "web_page_menu_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

class WebPageMenuTest : public ::testing::Test {
 protected:
  WebPageMenuTest() : fakes_(dir_.File("home"), dir_.File("tmp")) {}
  void SetUp() override {
    EnsureApp();
    std::filesystem::create_directories(dir_.File("site"));
    picture::Bitmap bm;
    bm.Create(60, 40, picture::PixelFormat::k24);
    for (const char* name : {"one.jpg", "two.jpg", "three.jpg"}) {
      ASSERT_TRUE(codecs::SaveJpeg(dir_.File(std::string("site/") + name), bm, {90, false}).ok);
    }
    services_.platform = fakes_.services();
    services_.keys = &keys_;
    services_.hide_others = [this](bool hide) { hides_.push_back(hide); };
    menu_ = std::make_unique<TWebPageMenu>(nullptr, services_);
  }
  std::string Site() const { return dir_.File("site") + "/"; }
  // The instructions, the folder choice and "Next" on the files panel.
  void Start() {
    fakes_.ui.QueueText(dir_.File("site"));
    menu_->BPrimeItClick();
    ASSERT_EQ(menu_->Panel(), 1);
    menu_->BNext2Click();
    ASSERT_EQ(menu_->Panel(), 2);
  }

  test_support::TempDir dir_;
  fakes::FakeServices fakes_;
  WebWindowServices services_;
  WebFolderKeys keys_;
  std::vector<bool> hides_;
  std::unique_ptr<TWebPageMenu> menu_;
};

TEST_F(WebPageMenuTest, MakesPagesAndKeepsTheSavedStateHonest) {
  Start();
  EXPECT_TRUE(menu_->Saved());
  EXPECT_TRUE(menu_->ViewEnabled());
  EXPECT_TRUE(Exists(Site() + "webpages"));
  EXPECT_TRUE(Exists(Site() + "webthumbs"));

  // A change disables View until pages are made or the options saved.
  menu_->TitleEdit()->setText("Our trip");
  EXPECT_FALSE(menu_->Saved());
  EXPECT_FALSE(menu_->ViewEnabled());
  EXPECT_EQ(menu_->Options().title_text, "Our trip");

  menu_->MakeAllPages1Click();
  EXPECT_TRUE(menu_->PagesMade());
  EXPECT_TRUE(menu_->ViewEnabled());
  EXPECT_EQ(fakes_.ui.last().text.rfind("Completed making 1 Web Page(s).", 0), 0u);
  EXPECT_TRUE(Exists(Site() + "webpages/index.html"));
  EXPECT_TRUE(Exists(Site() + "webthumbs/WP_THUMB_2.JPG"));
  menu_->TBPreviewClick();
  ASSERT_FALSE(fakes_.shell.requests().empty());
  EXPECT_EQ(fakes_.shell.requests().back().target, Site() + "webpages/index.html");

  // Closing unsaved asks; "Don't Exit" keeps the wizard, "Save/Exit" saves and leaves.
  fakes_.ui.QueueChoice(3);
  menu_->reject();
  EXPECT_TRUE(keys_[kLastPathKey].empty());
  fakes_.ui.QueueChoice(1);
  menu_->reject();
  EXPECT_EQ(fakes_.ui.last().text, "Web Folder Info saved! You may continue on now...");
  EXPECT_EQ(keys_[kLastPathKey], Site());
  EXPECT_EQ(LoadWebOptions(WebFolder(Site())).title_text, "Our trip");
}

TEST_F(WebPageMenuTest, NoFolderEndsTheWizardAndEmptySubfoldersGo) {
  fakes_.ui.QueueText(std::nullopt);
  menu_->BPrimeItClick();
  EXPECT_EQ(fakes_.ui.last().text, "Since you have NOT specified a folder, this WEB Wizard will exit!");
  EXPECT_EQ(menu_->result(), QDialog::Rejected);

  // A folder left without making anything keeps no empty sub-folders.
  menu_ = std::make_unique<TWebPageMenu>(nullptr, services_);
  Start();
  menu_->reject();
  EXPECT_FALSE(Exists(Site() + "webpages"));
  EXPECT_FALSE(Exists(Site() + "webthumbs"));
}

TEST_F(WebPageMenuTest, CleanUpAsksBeforeDeletingTheUsersOwnFiles) {
  Start();
  menu_->MakeAllPages1Click();
  std::ofstream(Site() + "webpages/mailbox.gif") << "GIF89a";
  fakes_.ui.QueueAnswer(Answer::kNo);
  menu_->CleanUpWebFolder1Click();
  EXPECT_NE(fakes_.ui.last().text.find("mailbox.gif"), std::string::npos);
  EXPECT_TRUE(Exists(Site() + "webpages/index.html"));
  fakes_.ui.QueueAnswer(Answer::kYes);
  menu_->CleanUpWebFolder1Click();
  EXPECT_FALSE(Exists(Site() + "webpages/index.html"));
  EXPECT_FALSE(Exists(Site() + "webpages/mailbox.gif"));
  EXPECT_TRUE(Exists(Site() + "one.jpg"));
  EXPECT_FALSE(menu_->ViewEnabled());
}

TEST_F(WebPageMenuTest, PreviewShowsTheColoursAndTheThumbnailGrid) {
  Start();
  const QImage& page = menu_->PreviewImage();
  ASSERT_EQ(page.width(), kPreviewWidth);
  ASSERT_EQ(page.height(), kPreviewHeight);
  EXPECT_EQ(page.pixelColor(3, 3), QColor(0, 0, 255));  // the default blue background
  EXPECT_EQ(ThumbGrid(300, 800, 100, 100).columns, 5);
  EXPECT_EQ(ThumbGrid(300, 800, 100, 100).rows, 5);
  PreviewGrid grid;
  DrawWebPreview(menu_->Options(), QImage(), QImage(), &grid);
  EXPECT_EQ(grid.columns, 5);
  EXPECT_GT(grid.rows, 0);
  menu_->MaxNumberBox()->setValue(20);
  EXPECT_EQ(menu_->Options().max_number, 20);
  fakes_.ui.QueueChoice(2);  // leave without saving
  menu_->reject();
  EXPECT_EQ(LoadWebOptions(WebFolder(Site())).max_number, 15);
}

// The preview's description: a new line at every kind of line break, breaks at the last blank
// before 600 pixels, and inside a word that alone is wider.
TEST(WebPreviewText, DescriptionBreaksAtBlanksLineBreaksAndInsideLongWords) {
  EnsureApp();
  QFont font("Times New Roman");
  font.setPointSize(12);
  const QFontMetrics m(font);
  EXPECT_EQ(WrapDescription({"one\r\ntwo\rthree\nfour", ""}, m),
            QStringList({"one", "two", "three", "four", ""}));

  std::string text;
  for (int i = 0; i < 80; ++i) text += "word" + std::to_string(i) + " ";
  const QStringList lines = WrapDescription({text}, m);
  ASSERT_GT(lines.size(), 2);
  EXPECT_EQ(lines.join(' ').toStdString(), text);
  for (int i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_LT(m.horizontalAdvance(lines[i]), 600) << i;
    EXPECT_GE(m.horizontalAdvance(lines[i] + ' ' + lines[i + 1].section(' ', 0, 0)), 600) << i;
  }

  const std::string word(400, 'W');
  const QStringList pieces = WrapDescription({"a " + word}, m);
  ASSERT_GT(pieces.size(), 2);
  EXPECT_EQ(pieces[0], "a");
  EXPECT_EQ(pieces.mid(1).join(QString()).toStdString(), word);
  for (int i = 1; i + 1 < pieces.size(); ++i) {
    EXPECT_LT(m.horizontalAdvance(pieces[i]), 600) << i;
    EXPECT_GE(m.horizontalAdvance(pieces[i] + 'W'), 600) << i;
  }
}

TEST_F(WebPageMenuTest, AlternateProgramsGetTheirOptionsSplitAndThePageLast) {
  keys_[kBrowserKey] = "/opt/browser/run";
  keys_[kBrowserKey + 1] = "--new-window --profile 'my web'";
  keys_[EditorKey(2)] = "/usr/bin/htmled";
  Start();
  menu_->ViewInALTERNATEBrowser2Click();
  ASSERT_EQ(fakes_.shell.requests().size(), 1u);
  const auto& view = fakes_.shell.requests().back();
  EXPECT_EQ(view.target, "/opt/browser/run");
  EXPECT_EQ(view.args, (std::vector<std::string>{"--new-window", "--profile", "my web",
                                                 Site() + "webpages/index.html"}));
  // In template mode an editor gets the template, after the note on where its images go.
  auto* description = menu_->findChild<QWidget*>("MDesc");
  ASSERT_NE(description, nullptr);
  EXPECT_TRUE(description->isVisibleTo(menu_.get()));
  menu_->TemplateBox()->setChecked(true);
  EXPECT_FALSE(description->isVisibleTo(menu_.get()));  // the look comes from the template now
  std::string error;
  ASSERT_TRUE(MakeTemplate(WebFolder(Site()), menu_->Options(), &error)) << error;
  menu_->UseWebEditorClick(2);
  EXPECT_EQ(fakes_.ui.last().text.rfind("If you add animated mailboxes", 0), 0u);
  ASSERT_EQ(fakes_.shell.requests().size(), 2u);
  EXPECT_EQ(fakes_.shell.requests().back().target, "/usr/bin/htmled");
  EXPECT_EQ(fakes_.shell.requests().back().args,
            std::vector<std::string>{Site() + "webpages/WP_Template.Html"});
  fakes_.ui.QueueChoice(2);
  menu_->reject();
}

}  // namespace
}  // namespace vr::web::ui

namespace vr::web::ui {
namespace {

// Stands in for the FTP window: records what the wizard hands over.
class RecordingPublisher : public WebPublisher {
 public:
  bool IsOpen() override { return false; }
  bool Close() override { return true; }
  std::optional<ServerInfo> AskServerInfo(const std::string& web_folder) override {
    asked_for = web_folder;
    ServerInfo info;
    info.server_name = "ftp.example.com";
    info.url_location = "webfolders/site";
    info.user_name = "me";
    info.password = "secret";
    return info;
  }
  std::string Publish(const PublishRequest& request) override {
    requests.push_back(request);
    return "/webfolders/site/webpages/index.html";
  }
  void OpenTool() override { ++tools; }

  std::string asked_for;
  std::vector<PublishRequest> requests;
  int tools = 0;
};

// With the FTP window behind it, the publish entries hand over the mode's lists; the first time
// the server dialog's answer is kept in WebInfo.INI, and the home address is told at the end.
TEST_F(WebPageMenuTest, PublishEntriesHandTheModesListsToTheFtpWindow) {
  RecordingPublisher publisher;
  services_.publisher = &publisher;
  menu_ = std::make_unique<TWebPageMenu>(nullptr, services_);
  Start();
  menu_->MakeAllPages1Click();
  menu_->PublishClick(kUploadNeeded);
  EXPECT_EQ(publisher.asked_for, Site());
  ASSERT_EQ(publisher.requests.size(), 1u);
  const PublishRequest& request = publisher.requests[0];
  EXPECT_EQ(request.mode, kUploadNeeded);
  EXPECT_EQ(request.server.server_name, "ftp.example.com");
  EXPECT_EQ(request.pictures.size(), 3u);
  EXPECT_EQ(request.thumbs.size(), 3u);
  EXPECT_EQ(request.all.size(), request.pictures.size() + request.pages.size() + 3u);
  EXPECT_EQ(fakes_.ui.last().text,
            "If you UPLOADED the files, please keep in mind that the HOME PAGE should be located "
            "at:\r\r/webfolders/site/webpages/index.html");
  ServerInfo stored;
  LoadWebOptions(WebFolder(Site()), &stored);
  EXPECT_EQ(stored.user_name, "me");

  // Known server now: no second dialog; pictures only; the tool on its own.
  publisher.asked_for.clear();
  menu_->PublishClick(kUploadPictures);
  EXPECT_TRUE(publisher.asked_for.empty());
  ASSERT_EQ(publisher.requests.size(), 2u);
  EXPECT_TRUE(publisher.requests[1].pages.empty());
  menu_->PublishClick(kOpenFtpTool);
  EXPECT_EQ(publisher.tools, 1);
}

}  // namespace
}  // namespace vr::web::ui
