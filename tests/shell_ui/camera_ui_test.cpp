// The viewer with a photo its camera held on its side: shown upright, its camera facts in a
// section of Properties, "Turn Photos Upright (Camera Orientation)" showing it as stored when
// turned off and kept in the settings file, and Save As writing an upright copy whose Exif block
// says orientation 1.
#include <QApplication>
#include <QGroupBox>
#include <gtest/gtest.h>

#include <string>

#include "colour/export/export_picture.h"
#include "picture/camera/camera_facts.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "platform/profile_file.h"
#include "shell/picture_prefetch.h"
#include "shell/settings.h"
#include "shell/ui/actions.h"
#include "shell/ui/main_window.h"
#include "shell/ui/properties_dialog.h"
#include "shell_ui/viewer_fixture.h"
#include "test_support/exif_block.h"

namespace vr::shell::ui {
namespace {

class CameraUiTest : public ViewerFixture {
 protected:
  int DialogResult(QDialog& dialog) override {
    if (auto* properties = dynamic_cast<TPropertiesMenu*>(&dialog)) {
      for (const char* caption : {"Date Taken:", "Camera Make:", "Camera Model:", "Lens:",
                                  "Exposure:", "Aperture:", "ISO:", "Focal Length:",
                                  "GPS Position:", "Dimensions:"}) {
        fields_ += std::string(caption) + " " + properties->Field(caption) + "\n";
      }
      camera_section_ = properties->findChild<QGroupBox*>("CameraFacts") != nullptr;
    }
    return QDialog::Rejected;
  }
  void TearDown() override { camera::SetTurnPhotosUpright(true); }

  std::string SidewaysPhoto(const std::string& name, bool facts) {
    codecs::JpegMetadata metadata;
    metadata.exif = test_support::MakeExifSegment({6, facts, false});
    const std::string path = dir_.File(name);
    EXPECT_TRUE(codecs::SaveJpeg(path, GradientBitmap(80, 40), codecs::JpegSaveOptions{90, false},
                                 &metadata).ok);
    return path;
  }

  std::string fields_;
  bool camera_section_ = false;
};

TEST_F(CameraUiTest, SidewaysPhotoIsShownUprightWithItsFactsAndTheSettingIsKept) {
  WriteSetUpSettings();
  const std::string photo = SidewaysPhoto("sideways.jpg", true);
  auto window = Start({photo});
  ASSERT_EQ(window->shown().Width(), 40);
  ASSERT_EQ(window->shown().Height(), 80);
  QAction* upright = window->action(Act::kTurnUpright);
  ASSERT_NE(upright, nullptr);
  EXPECT_TRUE(upright->isEnabled());
  EXPECT_TRUE(upright->isChecked());
  EXPECT_EQ(upright->text().toStdString(), "Turn Photos Upright (Camera Orientation)");

  window->Properties1Click();
  EXPECT_TRUE(camera_section_);
  EXPECT_EQ(fields_,
            "Date Taken: 2024:05:01 12:30:00\nCamera Make: Veldrimon Optics\n"
            "Camera Model: VX-100\nLens: Wide 4.2mm\nExposure: 1/250 s\nAperture: f/2.8\n"
            "ISO: 200\nFocal Length: 4.2 mm\nGPS Position: 51.500000, -0.120000\n"
            "Dimensions: 40x80\n");

  // Save As from the upright picture: an upright JPEG whose block says orientation 1.
  colour::ExportChoices choices;
  choices.source_file = photo;
  ASSERT_TRUE(colour::ExportPicture(dir_.File("saved.jpg"), window->shown(), choices).ok);
  EXPECT_EQ(camera::ReadCameraOrientation(dir_.File("saved.jpg")), 1);
  EXPECT_EQ(codecs::ReadJpegHeader(dir_.File("saved.jpg")).height, 80);

  upright->trigger();  // off: the photo as stored
  EXPECT_FALSE(upright->isChecked());
  EXPECT_EQ(window->shown().Width(), 80);
  EXPECT_EQ(window->shown().Height(), 40);
  EXPECT_FALSE(window->shown().turned);
  window->close();
  window.reset();
  const platform::ProfileFile ini(dir_.File("VELDR.INI"));
  EXPECT_EQ(ini.ReadString("General", "TurnPhotosUpright", "?"), "0");

  // The next start keeps the choice.
  auto again = Start({photo});
  EXPECT_FALSE(again->action(Act::kTurnUpright)->isChecked());
  EXPECT_EQ(again->shown().Width(), 80);
  again->action(Act::kTurnUpright)->trigger();
  EXPECT_EQ(again->shown().Width(), 40);
}

TEST_F(CameraUiTest, PhotoWithoutFactsHasNoCameraSection) {
  WriteSetUpSettings();
  auto window = Start({SidewaysPhoto("bare.jpg", false)});
  ASSERT_EQ(window->shown().Width(), 40);
  window->Properties1Click();
  EXPECT_FALSE(camera_section_);
  EXPECT_NE(fields_.find("Camera Model: \n"), std::string::npos);
}

// The start-up decode runs before the settings are read: made under the other choice, it is not
// taken, and the show decodes again.
TEST_F(CameraUiTest, StartUpDecodeUnderTheOtherChoiceIsDecodedAgain) {
  const std::string photo = SidewaysPhoto("start.jpg", false);
  camera::SetTurnPhotosUpright(true);
  PicturePrefetch upright(photo, picture::DecodeOptions());
  camera::SetTurnPhotosUpright(false);
  EXPECT_FALSE(upright.Take(photo, picture::DecodeOptions()).has_value());
  PicturePrefetch as_stored(photo, picture::DecodeOptions());
  const auto taken = as_stored.Take(photo, picture::DecodeOptions());
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(taken->holder.Width(), 80);
}

}  // namespace
}  // namespace vr::shell::ui
