// The composition root's own jobs: which test hooks a start honours, and the loader's hooks as
// the programs install them (a real metafile through the real loader, the reducer reached by a
// codec and by the loader alike).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <map>

#include "app/loader_hooks.h"
#include "app/test_hooks.h"
#include "metafile/metafile_builder.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/load/load_hooks.h"
#include "picture/load/loader.h"
#include "picture/reduce_hook.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::app {
namespace {

class Env {
 public:
  explicit Env(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  const char* operator()(const char* name) const {
    const auto found = values_.find(name);
    return found != values_.end() ? found->second.c_str() : nullptr;
  }

 private:
  std::map<std::string, std::string> values_;
};

TEST(TestHooks, ScriptedAnswersAndCommandsNeedTheSwitchAndATestBuild) {
  const Env env({{"VELDRIMON_UI_LOG", "/t/ui.log"},
                 {"VELDRIMON_UI_ANSWERS", "2,1"},
                 {"VELDRIMON_COMMAND_FILE", "/t/cmd"},
                 {"VELDRIMON_STATE_FILE", "/t/state"},
                 {"VELDRIMON_WINDOW_AT", "520 100"},
                 {"VELDRIMON_NO_REGISTRATION", "1"}});
  // Without the switch: logged, never answered from the script, no command file.
  std::vector<std::string> args = {"a.bmp"};
  bool refused = true;
  TestHooks hooks = ReadTestHooks(env, args, &refused);
  EXPECT_FALSE(refused);
  EXPECT_FALSE(hooks.switch_given);
  EXPECT_EQ(hooks.ui_log, "/t/ui.log");
  EXPECT_TRUE(hooks.ui_answers.empty());
  EXPECT_TRUE(hooks.command_file.empty());
  EXPECT_EQ(hooks.state_file, "/t/state");
  ASSERT_TRUE(hooks.window_at.has_value());
  EXPECT_EQ(*hooks.window_at, std::make_pair(520, 100));
  EXPECT_TRUE(hooks.no_registration);
  EXPECT_FALSE(hooks.bench_first_paint);
  EXPECT_EQ(args, std::vector<std::string>{"a.bmp"});

  // With it: a test build honours the script; any other build refuses to start.
  args = {kTestHooksSwitch, "a.bmp", kTestHooksSwitch};
  hooks = ReadTestHooks(env, args, &refused);
  EXPECT_EQ(args, std::vector<std::string>{"a.bmp"});  // never seen as a file name
#if VR_TEST_HOOKS
  EXPECT_TRUE(TestHooksBuilt());
  EXPECT_FALSE(refused);
  EXPECT_EQ(hooks.ui_answers, (std::vector<int>{2, 1}));
  EXPECT_EQ(hooks.command_file, "/t/cmd");
#else
  EXPECT_FALSE(TestHooksBuilt());
  EXPECT_TRUE(refused);
  EXPECT_TRUE(hooks.ui_answers.empty());
  EXPECT_TRUE(hooks.command_file.empty());
#endif
}

TEST(LoaderHooks, TheInstalledHooksReachTheLoader) {
  test_support::HookGuard metafiles(picture::GetMetafileLoader, picture::SetMetafileLoader);
  test_support::HookGuard reduce(picture::GetReduceToScreenHook, picture::SetReduceToScreenHook);
  test_support::HookGuard depth(picture::GetDisplayDepthSource, picture::SetDisplayDepthSource);
  test_support::HookGuard viewing(picture::GetOpenForViewing, picture::SetOpenForViewing);
  test_support::TempDir dir;
  // A placeable WMF of 96 x 48 pixels with no records.
  const std::string path = dir.Write("empty.wmf", metafile::testing::WmfBuilder(0, 0, 96, 48, 96).Finish());
  picture::SetMetafileLoader(nullptr);
  picture::SetReduceToScreenHook(nullptr);
  picture::PictureHolder holder;
  picture::LoadDetails details;
  picture::LoadPicture(path, holder, picture::DecodeOptions(), &details);
  EXPECT_TRUE(details.failed);  // nothing installed: no player

  LoaderHookOptions options;
  options.display_depth = [] { return 8; };
  InstallLoaderHooks(options);
  EXPECT_NE(picture::GetMetafileLoader(), nullptr);
  EXPECT_NE(picture::GetReduceToScreenHook(), nullptr);
  EXPECT_EQ(picture::DisplayDepth(), 8);
  picture::LoadPicture(path, holder, picture::DecodeOptions(), &details);
  EXPECT_FALSE(details.failed) << details.error;
  EXPECT_EQ(holder.kind, picture::GraphicKind::kMetafile);
  EXPECT_EQ(holder.Width(), 96);
  EXPECT_EQ(holder.Height(), 48);

  // A true-colour BMP under reduced decoding goes through the installed reducer.
  picture::Bitmap deep;
  ASSERT_TRUE(deep.Create(16, 8, picture::PixelFormat::k24));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 48; ++x) deep.Row(y)[x] = static_cast<uint8_t>(x * 5 + y * 31);
  const std::string bmp = dir.File("deep.bmp");
  ASSERT_TRUE(codecs::SaveBmp(bmp, deep).ok);
  picture::DecodeOptions reduced = picture::CurrentDecodeOptions(true);
  ASSERT_TRUE(reduced.Reduced());
  picture::LoadPicture(bmp, holder, reduced, &details);
  EXPECT_EQ(holder.bitmap.Format(), picture::PixelFormat::k8);
}

}  // namespace
}  // namespace vr::app

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);  // the metafile player's fonts
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
