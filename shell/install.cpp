#include "shell/install.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/files.h"
#include "shell/desktop_artwork.h"
#include "platform/folders.h"
#include "platform/path_rules.h"
#include "platform/profile_file.h"
#include "platform/shell_service.h"
#include "platform/sounds.h"
#include "platform/ui.h"

namespace vr::shell {

const std::vector<std::string>& PictureMimeTypes() {
  static const std::vector<std::string> kTypes = {"image/bmp",
                                                  "image/x-bmp",
                                                  "image/jpeg",
                                                  "image/gif",
                                                  "image/png",
                                                  "image/x-pcx",
                                                  "image/vnd.zbrush.pcx",
                                                  "image/x-tga",
                                                  "image/x-icon",
                                                  "image/vnd.microsoft.icon",
                                                  "image/x-wmf",
                                                  "image/wmf",
                                                  "image/x-emf",
                                                  "image/emf",
                                                  "video/x-flic",
                                                  "image/webp",
                                                  "image/tiff",
                                                  "image/heic",
                                                  "image/heif"};
  return kTypes;
}

FileTypeRegistrar::FileTypeRegistrar(platform::ShellService& shell, std::string data_home,
                                     std::string program)
    : shell_(shell), data_home_(std::move(data_home)), program_(std::move(program)) {}

std::string FileTypeRegistrar::DefaultDataHome() {
  if (const char* d = std::getenv("XDG_DATA_HOME"); d != nullptr && *d != '\0') return d;
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    return std::string(h) + "/.local/share";
  }
  // No home: only this user's checked private folder of the temporary folder, never a name in
  // the shared one that another user could have made first.
  return platform::PrivateTempFolder(platform::ProcessEnvironment());
}

std::string FileTypeRegistrar::DesktopFilePath() const {
  return platform::WithTrailingSeparator(data_home_) + "applications/" + kDesktopFileName;
}

std::string FileTypeRegistrar::DesktopFileText() const {
  std::string mimes;
  for (const std::string& m : PictureMimeTypes()) mimes += m + ";";
  // Exec quotes the program path so that folders with blanks work.
  return "[Desktop Entry]\nType=Application\nName=Veldrimon\nComment=Picture viewer and "
         "cataloguer\nExec=\"" +
         program_ + "\" %F\nIcon=" + kIconName +
         "\nTerminal=false\nCategories=Graphics;Viewer;\nMimeType=" + mimes + "\n";
}

bool FileTypeRegistrar::Register(const std::vector<std::string>& mime_types) {
  if (data_home_.empty()) return false;  // no safe place for it
  const std::filesystem::path file(DesktopFilePath());
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (!platform::WriteFileAtomically(file.string(), DesktopFileText())) return false;
  // The icon and the metainfo beside it; a failure here leaves a working entry without them.
  for (const auto& [relative, bytes] : DesktopArtwork()) {
    const std::filesystem::path target =
        std::filesystem::path(data_home_) / std::string(relative);
    std::filesystem::create_directories(target.parent_path(), ec);
    (void)platform::WriteFileAtomically(target.string(), bytes);
  }
  if (!mime_types.empty()) {
    std::vector<std::string> args = {"default", kDesktopFileName};
    args.insert(args.end(), mime_types.begin(), mime_types.end());
    (void)shell_.RunAndWait("xdg-mime", args);
  }
  return true;
}

bool FileTypeRegistrar::Unregister() {
  std::error_code ec;
  std::filesystem::remove(DesktopFilePath(), ec);
  const bool removed = !ec;
  for (const auto& [relative, bytes] : DesktopArtwork()) {
    std::filesystem::remove(std::filesystem::path(data_home_) / std::string(relative), ec);
  }
  return removed;
}

bool RunVersionCheck(platform::Ui& ui, platform::Sounds* sounds, FileTypeRegistrar* registrar,
                     const std::string& settings_path, Settings& settings) {
  const std::string registration = ReadRegistrationVersion(settings_path);
  if (NeedsUpgradeNotice(settings.installed, settings.version, registration)) {
    settings.sound = true;
    if (sounds != nullptr) sounds->SetEnabled(true);
    ui.Information(kUpgradeText);
    // Reset the install keys, then register afresh for this version.
    if (registrar != nullptr) registrar->Unregister();
    WriteRegistrationVersion(settings_path, kUninstalled);
    if (registrar != nullptr && registrar->Register(PictureMimeTypes())) {
      WriteRegistrationVersion(settings_path, kProgramVersion);
    }
    settings.setup = "NO";
  }
  settings.installed = true;
  return settings.setup == "NO";
}

void RunUpdateReminder(platform::Ui& ui, platform::ShellService& shell,
                       const std::string& settings_path, Settings& settings, int64_t today) {
  const int64_t stored = settings.date_update_shown;
  if (stored != 0 && today < stored + 30) return;
  if (stored != 0) {
    const int pressed = ui.Choice("Information", platform::ChoiceKind::kInformation,
                                  kUpdateQuestion, {kUpdateCheckNow, kUpdateNextMonth});
    if (pressed == 1) shell.OpenUrl(kDownloadPage);
  }
  settings.date_update_shown = today;
  WriteUpdateDay(settings_path, today);
}

bool Uninstall(platform::Ui& ui, FileTypeRegistrar* registrar, const std::string& program_folder,
               const std::string& settings_path, const std::string& settings_name,
               Settings& settings) {
  if (ui.Ask(platform::MessageKind::kWarning, "Warning", kUninstallQuestion, platform::kYesNo) !=
      platform::Answer::kYes) {
    return false;
  }
  if (registrar != nullptr) registrar->Unregister();
  const std::string folder = platform::WithTrailingSeparator(program_folder);
  for (std::string_view name : kUninstallFiles) {
    std::error_code ec;
    std::filesystem::remove(folder + std::string(name), ec);
  }
  {
    platform::ProfileFile f(settings_path);
    f.WriteBool("General", "Installed", false);
    f.WriteString("General", "Setup", "NO");
    (void)f.Flush();
  }
  WriteRegistrationVersion(settings_path, kUninstalled);
  settings.installed = false;
  settings.setup = "NO";
  ui.Warning(std::string(kUninstallDone1) + settings_name + kUninstallDone2);
  return true;
}

void RecordRegistrationVersion(const std::string& settings_path) {
  if (ReadRegistrationVersion(settings_path) != kUninstalled) {
    WriteRegistrationVersion(settings_path, kProgramVersion);
  }
}

}  // namespace vr::shell
