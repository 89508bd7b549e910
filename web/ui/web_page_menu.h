#pragma once
// "Web Page Creation Wizard" (TWebPageMenu): turns a Web Folder of pictures into thumbnail web
// pages. Three panels shown one after the other: the instructions, the files to add, and the
// main panel with the page options on the left and a preview of the page on the right.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/services.h"
#include "web/publish.h"
#include "web/ui/pick_alt_menu.h"
#include "web/web_folder.h"
#include "web/web_options.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QStatusBar;
class QToolBar;

namespace vr::web::ui {

struct WebWindowServices {
  platform::Services platform;
  // The settings' "WebFolders" keys: "LastPath" (where the wizard starts and the folder it ends
  // in) and the alternate browser and editors.
  WebFolderKeys* keys = nullptr;
  // Hides (true) or shows again (false) the viewer's other windows while the wizard is up.
  std::function<void(bool hide)> hide_others;
  // Copies or converts the files list's files into the Web Folder: `what` 1 all, 2 tagged. Not
  // set: only "Don't Add Any At This Time" is offered.
  std::function<void(int what, const std::string& web_folder)> add_files;
  // A picture's note for "Show Notes As Captions"; not set: no captions.
  std::function<std::string(const std::string& path)> caption;
  // The FTP window the publish entries hand over to; not set: they stay disabled.
  WebPublisher* publisher = nullptr;
};

class TWebPageMenu : public QDialog {
  Q_OBJECT

 public:
  TWebPageMenu(QWidget* parent, WebWindowServices services);
  ~TWebPageMenu() override;

  // The steps behind the controls, for the window's own buttons and for tests.
  void BPrimeItClick();
  void BNext2Click();
  void LoadWebPage1Click();
  bool SaveWebPage1Click();
  void MakeAllPages1Click();
  void FirstPageOnlyQuicker1Click();
  void SBStopClick() { stop_ = true; }
  void SBMakeTemplateClick();
  void CleanUpWebFolder1Click();
  void SBBrowseClick();
  void SButton1Click();
  void TBPreviewClick();
  // "&Edit 1st Page" / "&Edit Template": the desktop's program for plain text.
  void TBEditPageClick();
  // "View with" the alternate browser, "Edit with" editor 1-3; an unset program opens the
  // alternates window first.
  void ViewInALTERNATEBrowser2Click();
  void UseWebEditorClick(int editor);
  void ChooseALTERNATEInternetBrowser1Click();
  // The publish entries: upload mode 1-5, or 7 for the FTP tool alone.
  void PublishClick(int mode);

  const WebOptions& Options() const { return options_; }
  const std::string& Folder() const { return folder_ ? folder_->root : empty_; }
  bool Saved() const { return saved_; }
  bool PagesMade() const { return pages_made_; }
  int Panel() const;  // 0 instructions, 1 files to add, 2 main
  bool ViewEnabled() const;
  bool EditEnabled() const;
  const QImage& PreviewImage() const { return preview_; }
  // Changes an option as its control would (tests set values through the controls).
  QLineEdit* TitleEdit() const { return title_; }
  QSpinBox* MaxNumberBox() const { return max_number_; }
  QCheckBox* TemplateBox() const { return template_box_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 public:
  // "&Exit", Escape, "&Cancel": the unsaved-changes box first, then the wizard ends.
  void reject() override;

 private:
  void BuildInstructions();
  void BuildWhatFiles();
  void BuildMain();
  QWidget* StyleGroup(const QString& caption, QComboBox** size, QCheckBox* styles[3],
                      QPushButton** colour);
  bool ChooseFolder(bool first);
  void EnterFolder();
  void OptionsToControls();
  void ControlsToOptions();
  void OptionChanged();
  void UpdateEnables();
  void Redraw();
  void Run(bool first_page_only);
  void ChooseImage(bool background);
  void PickColour(uint32_t* colour);
  // The unsaved-changes box: true when the caller may go on.
  bool UnsavedPrompt(bool closing);
  void Leave();
  void RebuildAlternates();
  void RunAlternate(size_t key, const std::string& path);
  std::string EditTarget();

  WebWindowServices services_;
  std::unique_ptr<WebFolder> folder_;
  WebOptions options_;
  ServerInfo server_;
  bool saved_ = false;
  bool pages_made_ = false;
  bool stop_ = false;
  bool running_ = false;
  bool leaving_ = false;
  bool can_edit_ = false;
  int load_counter_ = 0;
  std::string empty_;
  QImage preview_;
  QImage background_image_;
  QImage main_image_;

  QStackedWidget* panels_ = nullptr;
  std::vector<QWidget*> standard_only_;
  QLabel* template_help_ = nullptr;
  QLabel* counts_ = nullptr;
  QRadioButton* what_files_[3] = {};
  QToolBar* tools_ = nullptr;
  QPushButton* stop_button_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* preview_label_ = nullptr;
  QAction* view_ = nullptr;
  QAction* edit_ = nullptr;
  QAction* publish_ = nullptr;
  std::vector<QAction*> publish_actions_;
  QAction* make_template_ = nullptr;
  QAction* view_default_ = nullptr;
  QAction* view_alternate_ = nullptr;
  QAction* edit_alternates_[3] = {};
  QCheckBox* template_box_ = nullptr;
  QRadioButton* index_default_ = nullptr;
  QRadioButton* index_index_ = nullptr;
  QPushButton* link_colour_ = nullptr;
  QPushButton* vlink_colour_ = nullptr;
  QPushButton* background_colour_ = nullptr;
  QCheckBox* background_use_ = nullptr;
  QCheckBox* main_use_ = nullptr;
  QCheckBox* captions_ = nullptr;
  QComboBox* page_size_ = nullptr;
  QCheckBox* page_styles_[3] = {};
  QPushButton* page_colour_ = nullptr;
  QSpinBox* thumb_width_ = nullptr;
  QSpinBox* thumb_height_ = nullptr;
  QSpinBox* max_number_ = nullptr;
  QLineEdit* title_ = nullptr;
  QComboBox* title_size_ = nullptr;
  QCheckBox* title_styles_[3] = {};
  QPushButton* title_colour_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  QComboBox* description_size_ = nullptr;
  QCheckBox* description_styles_[3] = {};
  QPushButton* description_colour_ = nullptr;
};

// Opens the wizard modally (hiding the other windows meanwhile).
void ShowWebPageMenu(QWidget* parent, const WebWindowServices& services);

}  // namespace vr::web::ui
