#pragma once
// TExportFile, the export window ("Export File (Pick file type & options, Cancel ABORTS)"): one
// tab per format with its "Color Depth" items and options; the "Save As" and "&Cancel" buttons,
// the "Force 236 Colors For Windows" box and the "Color Reduce Method" group are shown with the
// active tab. In save mode it saves the viewer's picture through the save dialog; in convert mode
// it only collects the choices for the files list window's conversion of tagged files.
//
// TJpegPreview shows the JPEG the current choices would write.

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "colour/export/export_picture.h"
#include "colour/export/export_tabs.h"
#include "picture/picture_holder.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

namespace vr::codecs::gif {
class TGifCommentsMenu;
}

namespace vr::colour {

class TDitherProgressWindow;

inline constexpr const char* kExportCaption =
    "Export File (Pick file type & options, Cancel ABORTS)";
inline constexpr const char* kStatusReady = "Status: Ready to Save/ConvertNow/Cancel";
inline constexpr const char* kStatusSelect = "Status: Select FileName...";
inline constexpr const char* kStatusSaving = "Status: Saving File...";
inline constexpr const char* kStatusDone =
    "Status: DONE Saving file, save some more or cancel out.";
inline constexpr const char* kStatusError =
    "Status: ERROR Saving file, save some more or cancel out.";
inline constexpr const char* kLoadNewFileQuestion =
    "If you put the new file into the Files List, you will be able to scroll up and down thru the "
    "loaded files and view the new image without having to load it manually :) Choose YES if "
    "unsure.\r\rWould you like to load the NEW FILE ?";
inline constexpr const char* kFilterChangedWarning =
    "You just CHANGED the default extension (File Type). If you aren't careful, you may end up "
    "saving the file with the WRONG extension. You should probably have used the  *.*  entry "
    "instead.";
inline constexpr const char* kColourDepthHint =
    "TYPICALLY, the more colors the better the output. It will NOT HELP to make it more colors "
    "than the source image.";

// What the export window keeps for the whole run.
struct ExportSession {
  std::string status = kStatusReady;
  int tab = kTabJpg;
  std::vector<int> items;  // per tab; empty until the first opening
  int jpeg_quality = 90;
  bool jpeg_grayscale = false;
  bool closest = false;
  bool force_236 = false;
  // The shown GIF as loaded (or as the last pick left it).
  bool gif_animated = false;
  bool gif_interlaced = false;
  std::optional<picture::Rgb> transparent;
  // A conversion of tagged files: the choices of "&Convert Now" and what the run restores.
  ExportChoices convert_choices;
  int saved_true_colour_on_256 = 0;
  bool viewer_was_visible = true;
};

// What the window needs from the viewer.
struct ExportFileHost {
  platform::Ui* ui = nullptr;
  platform::Files* files = nullptr;
  const platform::Clock* clock = nullptr;
  std::string temp_folder;             // with a trailing separator
  picture::PictureHolder* picture = nullptr;  // the viewer's picture (palette picks write back)
  int depth = 24;                      // its depth for the default items
  std::string current_file;            // the shown file ("" when none)
  ExportSession* session = nullptr;
  codecs::gif::TGifCommentsMenu* comments = nullptr;
  TDitherProgressWindow* dither = nullptr;
  int screen_depth = 24;
  // Runs a modal window (QDialog::exec in production; tests answer).
  std::function<int(QDialog&)> exec;
  // The load question's Yes: add the new file to the files list and show it.
  std::function<void(const std::string& path)> add_and_show;
  // The viewer's picture changed (a palette written back): rebuild the display.
  std::function<void()> picture_changed;
};

class TExportFile : public QDialog {
  Q_OBJECT
 public:
  enum Mode { kSaveMode = 0, kConvertMode = 1 };
  TExportFile(ExportFileHost host, Mode mode, QWidget* parent = nullptr);
  ~TExportFile() override;

  ExportChoices Choices() const;
  Mode mode() const { return mode_; }
  std::string StatusText() const;

  // Event handlers, by their controls.
  void SaveAsClick();
  void PreviewClick();
  void PickTransparentClick();
  void TransparentClick();
  void CommentsClick();

  QTabWidget* pages() const { return PageControl1; }
  QRadioButton* item_button(int tab, int item) const;
  int CheckedItem(int tab) const;
  QPushButton* save_button() const { return BSave; }
  QPushButton* cancel_button() const { return BCancel; }
  QCheckBox* force_236_box() const { return CBForce236; }
  QRadioButton* dither_button() const { return RBDither; }
  QRadioButton* closest_button() const { return RBClosest; }
  QSpinBox* quality_box() const { return SEQuality; }
  QCheckBox* gray_box() const { return CBGray; }
  QPushButton* preview_button() const { return BPreview; }
  QCheckBox* interlaced_box() const { return CBInterlaced; }
  QCheckBox* transparent_box() const { return CBTransparent; }
  QPushButton* pick_button() const { return BPickTransparent; }
  QLabel* swatch() const { return PanelSwatch; }
  QPushButton* comments_button() const { return BComments; }
  QCheckBox* use_comments_box() const { return CBUseComments; }
  // The page the shared controls sit on now.
  QWidget* shared_controls_parent() const;

 private:
  QWidget* BuildItemsPage(int tab);
  void TabChanged(int index);
  void ItemChanged();
  void SetStatus(const std::string& text);
  void ShowSwatch();
  bool PickTransparent(const char* title);
  void SaveSession();

  ExportFileHost host_;
  Mode mode_;
  std::string folder_;     // the save dialog's folder, kept between saves
  std::string base_name_;  // the proposed name without extension
  QTabWidget* PageControl1 = nullptr;
  std::vector<QButtonGroup*> item_groups_;
  std::vector<QWidget*> shared_slots_;  // per tab, where the shared controls go
  QWidget* shared_ = nullptr;
  QPushButton* BSave = nullptr;
  QPushButton* BCancel = nullptr;
  QCheckBox* CBForce236 = nullptr;
  QRadioButton* RBDither = nullptr;
  QRadioButton* RBClosest = nullptr;
  QSpinBox* SEQuality = nullptr;
  QCheckBox* CBGray = nullptr;
  QPushButton* BPreview = nullptr;
  QCheckBox* CBInterlaced = nullptr;
  QCheckBox* CBTransparent = nullptr;
  QPushButton* BPickTransparent = nullptr;
  QLabel* PanelSwatch = nullptr;
  QPushButton* BComments = nullptr;
  QCheckBox* CBUseComments = nullptr;
  QLabel* status_ = nullptr;
};

// The "&Preview" window: the JPEG as written, captioned "SAVED SIZE=" + bytes +
// "  [Press ESCape to exit]"; Escape closes it.
class TJpegPreview : public QDialog {
  Q_OBJECT
 public:
  TJpegPreview(const picture::Bitmap& picture, uint64_t bytes, QWidget* parent = nullptr);
  QPixmap shown() const;

 private:
  QLabel* image_ = nullptr;
};

// "Save &As": closes the comment window and the dither window and runs the export window
// modally in save mode.
void RunSaveAs(const ExportFileHost& host, QWidget* parent);

}  // namespace vr::colour
