#include "shell/ui/logged_ui.h"

#include <fstream>
#include <sstream>

namespace vr::shell::ui {
namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = '/';
  }
  return text;
}

}  // namespace

LoggedUi::LoggedUi(platform::Ui& inner, std::string log_path, std::vector<int> answers)
    : inner_(inner), log_path_(std::move(log_path)), answers_(std::move(answers)) {}

std::vector<int> LoggedUi::ParseAnswers(const std::string& text) {
  std::vector<int> answers;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    try {
      size_t used = 0;
      const int n = std::stoi(item, &used);
      if (used == item.size()) answers.push_back(n);
    } catch (...) {
      // not a number: skipped
    }
  }
  return answers;
}

void LoggedUi::Log(const std::string& line) const {
  std::ofstream out(log_path_, std::ios::app);
  out << line << '\n';
}

bool LoggedUi::NextAnswer(int* answer) {
  if (next_ >= answers_.size()) return false;
  *answer = answers_[next_++];
  return true;
}

platform::Answer LoggedUi::ShowMessage(platform::MessageKind kind, const std::string& title,
                                        const std::string& text, unsigned buttons) {
  Log("message|" + title + "|" + OneLine(text));
  // A box with only OK needs no answer; the others take the next scripted one (1 yes, else no).
  if (buttons == platform::kOkOnly) return platform::Answer::kOk;
  int n = 0;
  if (!NextAnswer(&n)) return inner_.Ask(kind, title, text, buttons);
  if (buttons & platform::kButtonYes) return n == 1 ? platform::Answer::kYes : platform::Answer::kNo;
  return n == 1 ? platform::Answer::kOk : platform::Answer::kCancel;
}

int LoggedUi::ShowChoice(const std::string& title, platform::ChoiceKind kind,
                          const std::string& text, const std::vector<std::string>& captions) {
  std::string line = "choice|" + title + "|" + OneLine(text);
  for (const std::string& c : captions) line += "|" + c;
  Log(line);
  int n = 0;
  if (!NextAnswer(&n)) return inner_.Choice(title, kind, text, captions);
  return n;
}

std::optional<std::string> LoggedUi::PromptText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
  return inner_.PromptText(title, prompt, initial);
}

std::optional<std::string> LoggedUi::PromptPassword(const std::string& title,
                                                     const std::string& prompt) {
  return inner_.PromptPassword(title, prompt);
}

std::vector<std::string> LoggedUi::OpenFiles(const platform::FileDialogOptions& options) {
  return inner_.OpenFiles(options);
}

std::optional<std::string> LoggedUi::SaveFile(const platform::FileDialogOptions& options) {
  return inner_.SaveFile(options);
}

std::optional<std::string> LoggedUi::PickFolder(const std::string& title,
                                                 const std::string& initial) {
  return inner_.PickFolder(title, initial);
}

}  // namespace vr::shell::ui
