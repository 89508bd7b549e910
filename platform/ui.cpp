#include "platform/ui.h"

#include "platform/sounds.h"

namespace vr::platform {

const char* Ui::SoundOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return kSoundBrakes;
    case MessageKind::kError:
      return kSoundAlarm;
    case MessageKind::kInformation:
    case MessageKind::kQuestion:
      break;
  }
  return kSoundQuestion;
}

MessageKind Ui::KindOf(ChoiceKind kind) {
  switch (kind) {
    case ChoiceKind::kWarning:
      return MessageKind::kWarning;
    case ChoiceKind::kError:
      return MessageKind::kError;
    case ChoiceKind::kInformation:
      break;
  }
  return MessageKind::kInformation;
}

std::string Ui::ShownCaption(const std::string& caption) {
  if (!caption.empty() && (caption[0] == '+' || caption[0] == '-')) return caption.substr(1);
  return caption;
}

int Ui::FocusedChoice(const std::vector<std::string>& captions) {
  for (size_t i = 0; i < captions.size(); ++i) {
    if (!captions[i].empty() && captions[i][0] == '+') return static_cast<int>(i) + 1;
  }
  return 0;
}

int Ui::EscapeChoice(const std::vector<std::string>& captions) {
  for (size_t i = 0; i < captions.size(); ++i) {
    if (!captions[i].empty() && captions[i][0] == '-') return static_cast<int>(i) + 1;
  }
  return 0;
}

void Ui::PlayCue(MessageKind kind) {
  if (sounds_ != nullptr) sounds_->Play(SoundOf(kind));
}

void Ui::Warning(const std::string& text, const std::string& title) {
  Ask(MessageKind::kWarning, title, text, kOkOnly);
}

void Ui::Error(const std::string& text, const std::string& title) {
  Ask(MessageKind::kError, title, text, kOkOnly);
}

void Ui::Information(const std::string& text, const std::string& title) {
  Ask(MessageKind::kInformation, title, text, kOkOnly);
}

Answer Ui::Ask(MessageKind kind, const std::string& title, const std::string& text,
               unsigned buttons) {
  if (buttons == 0) buttons = kOkOnly;
  PlayCue(kind);
  return ShowMessage(kind, title, text, buttons);
}

bool Ui::AskYesNo(const std::string& text, const std::string& title) {
  return Ask(MessageKind::kQuestion, title, text, kYesNo) == Answer::kYes;
}

int Ui::Choice(const std::string& title, ChoiceKind kind, const std::string& text,
               const std::vector<std::string>& captions) {
  PlayCue(KindOf(kind));
  const int count = static_cast<int>(captions.size());
  const int answer = ShowChoice(title, kind, text, captions);
  // An implementation that answers out of range is treated like Escape, never passed on.
  if (answer >= 1 && answer <= count) return answer;
  const int escape = EscapeChoice(captions);
  return escape > 0 ? escape : count;
}

Answer ConfirmScope::Ask(MessageKind kind, const std::string& title, const std::string& text) {
  if (held_) return *held_;
  Answer answer = ui_.Ask(kind, title, text, kYesNoAll);
  switch (answer) {
    case Answer::kYesToAll:
    case Answer::kNoToAll:
      held_ = answer;
      break;
    case Answer::kYes:
    case Answer::kNo:
      break;
    default:
      answer = Answer::kNo;  // Escape or closing the box declines this file only
      break;
  }
  return answer;
}

bool ConfirmScope::Confirm(MessageKind kind, const std::string& title, const std::string& text) {
  const Answer answer = Ask(kind, title, text);
  return answer == Answer::kYes || answer == Answer::kYesToAll;
}

std::optional<PickedColour> Ui::PickColour(const std::string&, const PickedColour&) {
  return std::nullopt;
}

}  // namespace vr::platform
