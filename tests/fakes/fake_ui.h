#pragma once
// The scripted Ui: records every call (kind, title, exact text, buttons) and answers from a
// queue that the test fills beforehand. A box that needs an answer when the queue is empty, or an
// answer that the box does not offer, throws FakeUiError so the test fails loudly at that call.
// Boxes with only an OK button answer OK by themselves (they are still recorded).

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace vr::fakes {

class FakeUiError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

struct UiCall {
  enum class Type {
    kMessage,
    kChoice,
    kPromptText,
    kPromptPassword,
    kOpen,
    kSave,
    kFolder,
    kColour
  };
  Type type = Type::kMessage;
  platform::MessageKind kind = platform::MessageKind::kInformation;  // kMessage and kChoice
  std::string title;
  std::string text;                   // message text, prompt, or initial folder
  unsigned buttons = 0;               // kMessage
  std::vector<std::string> captions;  // kChoice, as given (marks included)
  std::string initial;                // prompts: initial text; dialogs: initial file name
  std::vector<platform::FileFilter> filters;  // kSave
  int filter_index = 0;                       // kSave: the type chosen at opening
  std::string default_extension;              // kSave
  platform::PickedColour colour;              // kColour: the starting colour
};

class FakeUi : public platform::Ui {
 public:
  // Script: one entry per box that needs an answer, in order.
  void QueueAnswer(platform::Answer answer);
  void QueueChoice(int button);
  // A prompt or save/folder dialog's result; nothing means cancelled.
  void QueueText(std::optional<std::string> text);
  // An open dialog's result; empty means cancelled.
  void QueueFiles(std::vector<std::string> files);
  // The colour dialog's result; nothing means cancelled.
  void QueueColour(std::optional<platform::PickedColour> colour);
  // The next save dialog reports that the user picked the file type `filter_index` in it (through
  // the dialog's filter-changed hook) before it returns its queued name.
  void QueueFilterChange(int filter_index);

  const std::vector<UiCall>& calls() const { return calls_; }
  const UiCall& last() const;
  size_t pending() const { return replies_.size(); }
  void Clear();

  // Messages (of any kind) recorded so far, texts only, for compact checks.
  std::vector<std::string> MessageTexts() const;

  std::optional<std::string> PromptText(const std::string& title, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<std::string> PromptPassword(const std::string& title,
                                            const std::string& prompt) override;
  std::vector<std::string> OpenFiles(const platform::FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const platform::FileDialogOptions& options) override;
  std::optional<std::string> PickFolder(const std::string& title,
                                        const std::string& initial) override;
  std::optional<platform::PickedColour> PickColour(const std::string& title,
                                                   const platform::PickedColour& initial) override;

 protected:
  platform::Answer ShowMessage(platform::MessageKind kind, const std::string& title,
                               const std::string& text, unsigned buttons) override;
  int ShowChoice(const std::string& title, platform::ChoiceKind kind, const std::string& text,
                 const std::vector<std::string>& captions) override;

 private:
  struct Reply {
    enum class Type { kAnswer, kChoice, kText, kFiles, kColour } type;
    platform::Answer answer = platform::Answer::kOk;
    int choice = 0;
    std::optional<std::string> text;
    std::vector<std::string> files;
    std::optional<platform::PickedColour> colour;
  };
  Reply Take(Reply::Type wanted, const UiCall& call);

  std::vector<UiCall> calls_;
  std::deque<Reply> replies_;
  std::deque<int> filter_changes_;
};

}  // namespace vr::fakes
