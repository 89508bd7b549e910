// The set-up's registration writes a .desktop file naming the icon it installs in the hicolor
// theme, and AppStream metainfo; desktop-file-validate and appstreamcli accept them, and
// un-registering takes every file away again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/fake_services.h"
#include "shell/install.h"
#include "test_support/temp_dir.h"

namespace vr::shell {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Have(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A tool's exit status, its output kept in `out`.
int RunTool(const std::string& command, const std::string& out) {
  const int status = std::system((command + " >" + out + " 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Width and height from a PNG's header chunk.
std::pair<int, int> PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0 || bytes.compare(12, 4, "IHDR") != 0) {
    return {0, 0};
  }
  const auto be32 = [&](size_t at) {
    return static_cast<int>(static_cast<uint8_t>(bytes[at]) << 24 |
                            static_cast<uint8_t>(bytes[at + 1]) << 16 |
                            static_cast<uint8_t>(bytes[at + 2]) << 8 |
                            static_cast<uint8_t>(bytes[at + 3]));
  };
  return {be32(16), be32(20)};
}

TEST(DesktopTest, EntryIconAndMetainfoAreInstalledValidAndRemoved) {
  test_support::TempDir dir;
  fakes::FakeServices services(dir.Path(), dir.Path());
  const std::string data = dir.File("data");
  FileTypeRegistrar registrar(services.shell, data, "/opt/veldrimon/veldrimon");
  ASSERT_TRUE(registrar.Register({}));

  const std::string desktop = ReadAll(registrar.DesktopFilePath());
  EXPECT_NE(desktop.find("\nIcon=veldrimon\n"), std::string::npos) << desktop;
  const std::string icons = data + "/icons/hicolor/";
  EXPECT_EQ(PngSize(ReadAll(icons + "48x48/apps/veldrimon.png")), std::make_pair(48, 48));
  EXPECT_EQ(PngSize(ReadAll(icons + "256x256/apps/veldrimon.png")), std::make_pair(256, 256));
  const std::string svg = ReadAll(icons + "scalable/apps/veldrimon.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  const std::string metainfo = data + "/metainfo/org.example.veldrimon.metainfo.xml";
  EXPECT_NE(ReadAll(metainfo).find("<launchable type=\"desktop-id\">veldrimon.desktop<"),
            std::string::npos);

  if (Have("desktop-file-validate")) {
    const std::string out = dir.File("desktop.out");
    EXPECT_EQ(RunTool("desktop-file-validate " + registrar.DesktopFilePath(), out), 0)
        << ReadAll(out);
    EXPECT_EQ(ReadAll(out), "");  // not even a hint
  } else {
    ADD_FAILURE() << "desktop-file-validate is not installed (package desktop-file-utils)";
  }
  if (Have("appstreamcli")) {
    const std::string out = dir.File("appstream.out");
    EXPECT_EQ(RunTool("appstreamcli validate --no-net " + metainfo, out), 0) << ReadAll(out);
  } else {
    ADD_FAILURE() << "appstreamcli is not installed (package appstream)";
  }

  EXPECT_TRUE(registrar.Unregister());
  EXPECT_FALSE(std::filesystem::exists(registrar.DesktopFilePath()));
  EXPECT_FALSE(std::filesystem::exists(icons + "48x48/apps/veldrimon.png"));
  EXPECT_FALSE(std::filesystem::exists(icons + "256x256/apps/veldrimon.png"));
  EXPECT_FALSE(std::filesystem::exists(icons + "scalable/apps/veldrimon.svg"));
  EXPECT_FALSE(std::filesystem::exists(metainfo));
}

}  // namespace
}  // namespace vr::shell
