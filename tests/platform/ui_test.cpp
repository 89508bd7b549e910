#include "platform/ui.h"

#include <gtest/gtest.h>

#include "fakes/fake_services.h"

namespace vr::platform {
namespace {

using fakes::FakeServices;
using fakes::FakeUiError;
using fakes::UiCall;

TEST(UiTest, BoxesPlayTheirSoundFirstAndRecordTheExactText) {
  FakeServices fx;
  fx.ui.Warning("You are either:\r\r1. Showing", "Veldrimon");
  fx.ui.Error("Could NOT connect to host\r\rMaybe");
  fx.ui.Information("Printing aborted");
  fx.ui.QueueAnswer(Answer::kNo);
  EXPECT_FALSE(fx.ui.AskYesNo("Do you wish to CLEAR these fields?"));
  fx.ui.QueueChoice(2);
  EXPECT_EQ(fx.ui.Choice("t", ChoiceKind::kError, "c", {"+A", "-B"}), 2);

  EXPECT_EQ(fx.sounds.played(), (std::vector<std::string>{"BRAKES", "ALARM", "SYSTEMQUESTION",
                                                          "SYSTEMQUESTION", "ALARM"}));
  ASSERT_EQ(fx.ui.calls().size(), 5u);
  EXPECT_EQ(fx.ui.calls()[0].text, "You are either:\r\r1. Showing");
  EXPECT_EQ(fx.ui.calls()[0].title, "Veldrimon");
  EXPECT_EQ(fx.ui.calls()[0].kind, MessageKind::kWarning);
  EXPECT_EQ(fx.ui.calls()[0].buttons, kOkOnly);
  EXPECT_EQ(fx.ui.calls()[3].buttons, kYesNo);
  EXPECT_EQ(fx.ui.calls()[4].captions, (std::vector<std::string>{"+A", "-B"}));
  EXPECT_EQ(fx.ui.calls()[4].kind, MessageKind::kError);
}

TEST(UiTest, SoundSwitchOffSilencesBoxesButNotTheBoxes) {
  FakeServices fx;
  fx.sounds.SetEnabled(false);
  fx.ui.Warning("w");
  EXPECT_TRUE(fx.sounds.played().empty());
  EXPECT_EQ(fx.sounds.requested(), std::vector<std::string>{"BRAKES"});
  EXPECT_EQ(fx.ui.calls().size(), 1u);
}

TEST(UiTest, ScriptErrorsFailLoudly) {
  FakeServices fx;
  // No answer queued.
  EXPECT_THROW(fx.ui.AskYesNo("Delete?"), FakeUiError);
  // An answer the box does not offer.
  fx.ui.QueueAnswer(Answer::kYesToAll);
  EXPECT_THROW(fx.ui.Ask(MessageKind::kQuestion, "t", "x", kYesNo), FakeUiError);
  // A choice number beyond the buttons, and a box with too few buttons.
  fx.ui.QueueChoice(3);
  EXPECT_THROW(fx.ui.Choice("t", ChoiceKind::kWarning, "x", {"a", "b"}), FakeUiError);
  fx.ui.QueueChoice(1);
  EXPECT_THROW(fx.ui.Choice("t", ChoiceKind::kWarning, "x", {"only"}), FakeUiError);
  // A reply of the wrong sort.
  fx.ui.Clear();
  fx.ui.QueueText("name");
  EXPECT_THROW(fx.ui.AskYesNo("x"), FakeUiError);
}

TEST(UiTest, PromptsAndDialogsAnswerFromTheQueue) {
  FakeServices fx;
  fx.ui.QueueText("secret");
  fx.ui.QueueText(std::nullopt);
  fx.ui.QueueFiles({"/p/a.gif", "/p/b.gif"});
  fx.ui.QueueText("/out/x.png");
  fx.ui.QueueText("/albums");
  EXPECT_EQ(fx.ui.PromptPassword("Password", "Enter password"), "secret");
  EXPECT_EQ(fx.ui.PromptText("Name", "New name:", "old.gif"), std::nullopt);
  FileDialogOptions open;
  open.folder = "/p";
  open.file_name = "+";
  EXPECT_EQ(fx.ui.OpenFiles(open).size(), 2u);
  EXPECT_EQ(fx.ui.SaveFile({}), "/out/x.png");
  EXPECT_EQ(fx.ui.PickFolder("Pick", "/"), "/albums");
  EXPECT_EQ(fx.ui.calls()[1].initial, "old.gif");
  EXPECT_EQ(fx.ui.calls()[2].type, UiCall::Type::kOpen);
  EXPECT_EQ(fx.ui.calls()[2].initial, "+");
  EXPECT_EQ(fx.ui.pending(), 0u);
  EXPECT_TRUE(fx.sounds.played().empty());  // prompts make no sound
}

TEST(UiTest, ChoiceMarksPickFocusAndEscapeButtons) {
  const std::vector<std::string> captions = {"YES", "+NO", "-ALWAYS"};
  EXPECT_EQ(Ui::FocusedChoice(captions), 2);
  EXPECT_EQ(Ui::EscapeChoice(captions), 3);
  EXPECT_EQ(Ui::ShownCaption("+Check NOW"), "Check NOW");
  EXPECT_EQ(Ui::ShownCaption("-Check Next Month"), "Check Next Month");
  EXPECT_EQ(Ui::ShownCaption("OK TO ALL"), "OK TO ALL");
  EXPECT_EQ(Ui::FocusedChoice({"a", "b"}), 0);
  EXPECT_EQ(Ui::EscapeChoice({"a", "b"}), 0);
}

// A Ui whose window answers out of range, as a closed box might.
class StrayUi : public fakes::FakeUi {
 protected:
  int ShowChoice(const std::string&, ChoiceKind, const std::string&,
                 const std::vector<std::string>&) override {
    return 0;
  }
};

TEST(UiTest, ChoiceOutOfRangeFallsBackToTheEscapeButton) {
  StrayUi ui;
  EXPECT_EQ(ui.Choice("t", ChoiceKind::kInformation, "x", {"+Run", "-Use", "Other"}), 2);
  EXPECT_EQ(ui.Choice("t", ChoiceKind::kInformation, "x", {"+Run", "Use", "Other"}), 3);
}

TEST(ConfirmScopeTest, ToAllAnswerHoldsOnlyUntilTheOperationEnds) {
  FakeServices fx;
  fx.ui.QueueAnswer(Answer::kYes);
  fx.ui.QueueAnswer(Answer::kYesToAll);
  {
    ConfirmScope scope(fx.ui);
    EXPECT_TRUE(scope.Confirm(MessageKind::kQuestion, "Delete", "file 1"));
    EXPECT_TRUE(scope.Confirm(MessageKind::kQuestion, "Delete", "file 2"));
    // Held: no further boxes for files 3 and 4.
    EXPECT_EQ(scope.Ask(MessageKind::kQuestion, "Delete", "file 3"), Answer::kYesToAll);
    EXPECT_TRUE(scope.Confirm(MessageKind::kQuestion, "Delete", "file 4"));
    EXPECT_TRUE(scope.YesToAll());
  }
  EXPECT_EQ(fx.ui.calls().size(), 2u);
  EXPECT_EQ(fx.ui.calls()[1].text, "file 2");
  EXPECT_EQ(fx.ui.calls()[1].buttons, kYesNoAll);

  // The next operation asks again, and No to all declines the rest.
  fx.ui.QueueAnswer(Answer::kNoToAll);
  ConfirmScope next(fx.ui);
  EXPECT_FALSE(next.Confirm(MessageKind::kWarning, "Move", "file 1"));
  EXPECT_FALSE(next.Confirm(MessageKind::kWarning, "Move", "file 2"));
  EXPECT_TRUE(next.NoToAll());
  EXPECT_EQ(fx.ui.calls().size(), 3u);
  EXPECT_EQ(fx.sounds.played().back(), "BRAKES");
}

TEST(ConfirmScopeTest, HeldFromOutsideAndResetAskAgain) {
  FakeServices fx;
  ConfirmScope scope(fx.ui);
  scope.HoldYesToAll();
  EXPECT_TRUE(scope.Confirm(MessageKind::kQuestion, "t", "companion"));
  EXPECT_TRUE(fx.ui.calls().empty());
  scope.Reset();
  fx.ui.QueueAnswer(Answer::kNo);
  EXPECT_FALSE(scope.Confirm(MessageKind::kQuestion, "t", "companion"));
  EXPECT_FALSE(scope.held().has_value());  // a plain No holds nothing
  EXPECT_EQ(fx.ui.calls().size(), 1u);
}

}  // namespace
}  // namespace vr::platform
