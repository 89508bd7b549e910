// The multi-load decision, the command-line text of the hand-over and the sender's outcomes.
#include "shell/hand_over.h"

#include <gtest/gtest.h>

#include "fakes/fake_ui.h"
#include "platform/single_instance.h"

namespace vr::shell {
namespace {

using platform::HandOverResult;

TEST(DecideStart, ModesYesNoAsk) {
  int asked = 0;
  auto ask_run = [&asked] {
    ++asked;
    return 1;
  };
  auto ask_use = [&asked] {
    ++asked;
    return 2;
  };
  EXPECT_EQ(DecideStart(kMultiLoadYes, true, ask_run), StartAction::kRun);
  EXPECT_EQ(DecideStart(kMultiLoadNo, true, ask_run), StartAction::kHandOver);
  EXPECT_EQ(DecideStart(kMultiLoadNo, false, ask_run), StartAction::kRun);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(DecideStart(kMultiLoadAsk, false, ask_run), StartAction::kRun);
  EXPECT_EQ(asked, 0);  // nobody runs: no question
  EXPECT_EQ(DecideStart(kMultiLoadAsk, true, ask_run), StartAction::kRun);
  EXPECT_EQ(DecideStart(kMultiLoadAsk, true, ask_use), StartAction::kHandOver);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(DecideStart(9, true, ask_run), StartAction::kHandOver);  // unknown counts as NO
}

TEST(DecideStart, AskBoxTexts) {
  fakes::FakeUi ui;
  ui.QueueChoice(2);
  EXPECT_EQ(AskRunAnother(ui), 2);
  const fakes::UiCall& call = ui.last();
  EXPECT_EQ(call.title, "Another copy of Veldrimon is running:");
  EXPECT_EQ(call.kind, platform::MessageKind::kInformation);
  EXPECT_EQ(call.text,
            "Veldrimon is ALREADY running.\r\rDo you wish to open up a new/seperate Veldrimon "
            "window ?");
  EXPECT_EQ(call.captions,
            (std::vector<std::string>{"+Run Another Copy Veldrimon", "Use Current Veldrimon"}));
}

TEST(CommandLine, SplitHandlesQuotesBlanksAndAnOpenQuote) {
  EXPECT_EQ(SplitCommandLine("  prog  a.gif \"my pics/b.jpg\" c"),
            (std::vector<std::string>{"prog", "a.gif", "my pics/b.jpg", "c"}));
  EXPECT_EQ(SplitCommandLine("\"unterminated name"),
            (std::vector<std::string>{"unterminated name"}));
  EXPECT_EQ(SplitCommandLine("\"\" x"), (std::vector<std::string>{"", "x"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

TEST(CommandLine, JoinThenSplitGivesTheArgumentsBack) {
  const std::vector<std::string> args = {"/bin/veldrimon", "/a b/c.gif", "/x", "plain"};
  EXPECT_EQ(SplitCommandLine(JoinCommandLine(args)), args);
  // An argument with a quote cannot be carried and is left out rather than split wrongly.
  EXPECT_EQ(SplitCommandLine(JoinCommandLine({"p", "a\"b", "c"})),
            (std::vector<std::string>{"p", "c"}));
}

TEST(CommandLine, TooLongArgumentFound) {
  EXPECT_FALSE(TooLongArgument({"a", std::string(299, 'x')}).has_value());
  const auto found = TooLongArgument({"a", std::string(300, 'y')});
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->size(), 300u);
}

TEST(HandOverPaths, AllowableFilesAndFoldersSkipProgramAndOtherTypes) {
  auto allowable = [](const std::string& p) {
    return p.size() > 4 && p.substr(p.size() - 4) == ".gif";
  };
  auto is_file = [](const std::string& p) { return p != "/folder"; };
  EXPECT_EQ(
      HandOverPaths({"/bin/veldrimon", "/a.gif", "/notes.txt", "/folder"}, allowable, is_file),
      (std::vector<std::string>{"/a.gif", "/folder"}));
  EXPECT_TRUE(HandOverPaths({"/bin/veldrimon"}, allowable, is_file).empty());
  EXPECT_TRUE(HandOverPaths({"/bin/veldrimon", "/notes.txt"}, allowable, is_file).empty());
  EXPECT_TRUE(HandOverPaths({}, allowable, is_file).empty());
  // An over-long argument (it would not fit the 300-byte buffer) is never truncated into a name.
  EXPECT_TRUE(
      HandOverPaths({"p", "/" + std::string(300, 'z') + ".gif"}, allowable, is_file).empty());
}

class ScriptedInstance : public platform::SingleInstance {
 public:
  bool AcquireStartupLock(int) override { return true; }
  void ReleaseStartupLock() override {}
  bool ViewerAnswers() override { return true; }
  std::optional<platform::WindowRect> ViewerRect() override { return std::nullopt; }
  void BringViewerForward() override { ++brought_forward; }
  HandOverResult HandOver(const std::string& text, int flag_wait_ms, int ack_wait_ms) override {
    sent.push_back(text);
    flag_wait = flag_wait_ms;
    ack_wait = ack_wait_ms;
    return result;
  }
  bool Listen(platform::HandOverReceiver) override { return true; }

  HandOverResult result = HandOverResult::kDone;
  std::vector<std::string> sent;
  int brought_forward = 0;
  int flag_wait = 0;
  int ack_wait = 0;
};

TEST(SendHandOver, DoneBringsTheViewerForward) {
  ScriptedInstance instance;
  fakes::FakeUi ui;
  EXPECT_TRUE(SendHandOver(instance, ui, {"/bin/v", "/a b.gif"}));
  ASSERT_EQ(instance.sent.size(), 1u);
  EXPECT_EQ(instance.sent[0], "\"/bin/v\" \"/a b.gif\"");
  EXPECT_EQ(instance.flag_wait, 10000);
  EXPECT_GT(instance.ack_wait, 0);
  EXPECT_EQ(instance.brought_forward, 1);
  EXPECT_TRUE(ui.calls().empty());
}

TEST(SendHandOver, NoAnswerWarns) {
  for (HandOverResult result : {HandOverResult::kNoFlag, HandOverResult::kNoAck}) {
    ScriptedInstance instance;
    instance.result = result;
    fakes::FakeUi ui;
    EXPECT_FALSE(SendHandOver(instance, ui, {"/bin/v", "/a.gif"}));
    ASSERT_EQ(ui.calls().size(), 1u);
    EXPECT_EQ(ui.last().kind, platform::MessageKind::kWarning);
    EXPECT_EQ(ui.last().text.rfind("Something Wierd happened in Veldrimon:(\r\r", 0), 0u);
    EXPECT_NE(ui.last().text.find("\r\rTry again later!"), std::string::npos);
    EXPECT_EQ(instance.brought_forward, 0);
  }
}

TEST(SendHandOver, OverLongArgumentIsRefusedNotSent) {
  ScriptedInstance instance;
  fakes::FakeUi ui;
  const std::string long_name = "/" + std::string(320, 'n') + ".gif";
  EXPECT_FALSE(SendHandOver(instance, ui, {"/bin/v", long_name}));
  EXPECT_TRUE(instance.sent.empty());
  ASSERT_EQ(ui.calls().size(), 1u);
  EXPECT_NE(ui.last().text.find(long_name), std::string::npos);
}

}  // namespace
}  // namespace vr::shell
