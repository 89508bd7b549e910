#pragma once
// A test hook of the process start (VELDRIMON_UI_LOG): every message and choice box is written to
// a log file, one line each, and answered from a scripted list (VELDRIMON_UI_ANSWERS, comma
// separated button numbers, honoured only under the test-hook switch: shell/ui/test_hooks.h). When the list runs out, boxes go to the real Ui again. Prompts and
// file dialogs always go to the real Ui.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace vr::shell::ui {

class LoggedUi : public platform::Ui {
 public:
  LoggedUi(platform::Ui& inner, std::string log_path, std::vector<int> answers);

  // "1,2" -> {1, 2}; anything that is not a number is skipped.
  static std::vector<int> ParseAnswers(const std::string& text);

  std::optional<std::string> PromptText(const std::string& title, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<std::string> PromptPassword(const std::string& title,
                                            const std::string& prompt) override;
  std::vector<std::string> OpenFiles(const platform::FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const platform::FileDialogOptions& options) override;
  std::optional<platform::PickedColour> PickColour(const std::string& title,
                                                   const platform::PickedColour& initial) override {
    return inner_.PickColour(title, initial);
  }
  std::optional<std::string> PickFolder(const std::string& title,
                                        const std::string& initial) override;

 protected:
  platform::Answer ShowMessage(platform::MessageKind kind, const std::string& title,
                               const std::string& text, unsigned buttons) override;
  int ShowChoice(const std::string& title, platform::ChoiceKind kind, const std::string& text,
                 const std::vector<std::string>& captions) override;

 private:
  void Log(const std::string& line) const;
  bool NextAnswer(int* answer);

  platform::Ui& inner_;
  std::string log_path_;
  std::vector<int> answers_;
  size_t next_ = 0;
};

}  // namespace vr::shell::ui
