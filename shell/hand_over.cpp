#include "shell/hand_over.h"

#include "platform/single_instance.h"
#include "platform/ui.h"

namespace vr::shell {

StartAction DecideStart(int mode, bool viewer_running, const std::function<int()>& ask) {
  if (!viewer_running || mode == kMultiLoadYes) return StartAction::kRun;
  if (mode == kMultiLoadAsk) {
    return ask && ask() == 1 ? StartAction::kRun : StartAction::kHandOver;
  }
  return StartAction::kHandOver;
}

int AskRunAnother(platform::Ui& ui) {
  return ui.Choice(kAskTitle, platform::ChoiceKind::kInformation, kAskText,
                   {kAskRunAnother, kAskUseCurrent});
}

std::vector<std::string> SplitCommandLine(const std::string& text) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size()) break;
    size_t end;
    if (text[i] == '"') {
      ++i;
      end = text.find('"', i);
      if (end == std::string::npos) end = text.size();
      args.push_back(text.substr(i, end - i));
      i = end < text.size() ? end + 1 : end;
    } else {
      end = text.find(' ', i);
      if (end == std::string::npos) end = text.size();
      args.push_back(text.substr(i, end - i));
      i = end;
    }
  }
  return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) {
    if (arg.find('"') != std::string::npos) continue;
    if (!text.empty()) text += ' ';
    text += '"' + arg + '"';
  }
  return text;
}

std::optional<std::string> TooLongArgument(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg.size() > platform::kMaxHandOverArgument) return arg;
  }
  return std::nullopt;
}

std::vector<std::string> HandOverPaths(
    const std::vector<std::string>& args, const std::function<bool(const std::string&)>& allowable,
    const std::function<bool(const std::string&)>& is_existing_file) {
  std::vector<std::string> paths;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg.size() > platform::kMaxHandOverArgument) continue;
    if (allowable(arg) || !is_existing_file(arg)) paths.push_back(arg);
  }
  return paths;
}

bool SendHandOver(platform::SingleInstance& instance, platform::Ui& ui,
                  const std::vector<std::string>& args, int flag_wait_ms, int ack_wait_ms) {
  if (const auto too_long = TooLongArgument(args)) {
    ui.Warning(kTooLongArgument + *too_long);
    return false;
  }
  const platform::HandOverResult result =
      instance.HandOver(JoinCommandLine(args), flag_wait_ms, ack_wait_ms);
  if (result != platform::HandOverResult::kDone) {
    ui.Warning(kNoAnswerWarning);
    return false;
  }
  instance.BringViewerForward();
  return true;
}

}  // namespace vr::shell
