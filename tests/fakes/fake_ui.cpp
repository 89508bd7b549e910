#include "fakes/fake_ui.h"

namespace vr::fakes {
namespace {

using platform::Answer;

const char* TypeName(UiCall::Type type) {
  switch (type) {
    case UiCall::Type::kMessage:
      return "message box";
    case UiCall::Type::kChoice:
      return "choice box";
    case UiCall::Type::kPromptText:
      return "text prompt";
    case UiCall::Type::kPromptPassword:
      return "password prompt";
    case UiCall::Type::kOpen:
      return "open dialog";
    case UiCall::Type::kSave:
      return "save dialog";
    case UiCall::Type::kFolder:
      return "folder dialog";
    case UiCall::Type::kColour:
      return "colour dialog";
  }
  return "call";
}

unsigned ButtonOf(Answer answer) {
  switch (answer) {
    case Answer::kOk:
      return platform::kButtonOk;
    case Answer::kCancel:
      return platform::kButtonCancel;
    case Answer::kYes:
      return platform::kButtonYes;
    case Answer::kNo:
      return platform::kButtonNo;
    case Answer::kYesToAll:
      return platform::kButtonYesToAll;
    case Answer::kNoToAll:
      return platform::kButtonNoToAll;
  }
  return 0;
}

std::string Describe(const UiCall& call) {
  return std::string(TypeName(call.type)) + " \"" + call.title + "\": \"" + call.text + "\"";
}

}  // namespace

void FakeUi::QueueAnswer(Answer answer) {
  replies_.push_back(Reply{Reply::Type::kAnswer, answer, 0, {}, {}, {}});
}
void FakeUi::QueueChoice(int button) {
  replies_.push_back(Reply{Reply::Type::kChoice, Answer::kOk, button, {}, {}, {}});
}
void FakeUi::QueueText(std::optional<std::string> text) {
  replies_.push_back(Reply{Reply::Type::kText, Answer::kOk, 0, std::move(text), {}, {}});
}
void FakeUi::QueueFiles(std::vector<std::string> files) {
  replies_.push_back(Reply{Reply::Type::kFiles, Answer::kOk, 0, {}, std::move(files), {}});
}

void FakeUi::QueueColour(std::optional<platform::PickedColour> colour) {
  Reply reply{Reply::Type::kColour, Answer::kOk, 0, {}, {}, {}};
  reply.colour = colour;
  replies_.push_back(std::move(reply));
}
void FakeUi::QueueFilterChange(int filter_index) { filter_changes_.push_back(filter_index); }

const UiCall& FakeUi::last() const {
  if (calls_.empty()) throw FakeUiError("FakeUi: no call was made");
  return calls_.back();
}

void FakeUi::Clear() {
  calls_.clear();
  replies_.clear();
}

std::vector<std::string> FakeUi::MessageTexts() const {
  std::vector<std::string> texts;
  for (const UiCall& call : calls_) {
    if (call.type == UiCall::Type::kMessage || call.type == UiCall::Type::kChoice) {
      texts.push_back(call.text);
    }
  }
  return texts;
}

FakeUi::Reply FakeUi::Take(Reply::Type wanted, const UiCall& call) {
  if (replies_.empty()) {
    throw FakeUiError("FakeUi: no answer queued for " + Describe(call));
  }
  Reply reply = std::move(replies_.front());
  replies_.pop_front();
  if (reply.type != wanted) {
    throw FakeUiError("FakeUi: the queued answer does not fit " + Describe(call));
  }
  return reply;
}

Answer FakeUi::ShowMessage(platform::MessageKind kind, const std::string& title,
                           const std::string& text, unsigned buttons) {
  UiCall call;
  call.type = UiCall::Type::kMessage;
  call.kind = kind;
  call.title = title;
  call.text = text;
  call.buttons = buttons;
  calls_.push_back(call);
  if (buttons == platform::kOkOnly) return Answer::kOk;
  const Reply reply = Take(Reply::Type::kAnswer, call);
  if ((ButtonOf(reply.answer) & buttons) == 0) {
    throw FakeUiError("FakeUi: the queued button is not offered by " + Describe(call));
  }
  return reply.answer;
}

int FakeUi::ShowChoice(const std::string& title, platform::ChoiceKind kind, const std::string& text,
                       const std::vector<std::string>& captions) {
  UiCall call;
  call.type = UiCall::Type::kChoice;
  call.kind = KindOf(kind);
  call.title = title;
  call.text = text;
  call.captions = captions;
  calls_.push_back(call);
  if (captions.size() < 2 || captions.size() > 4) {
    throw FakeUiError("FakeUi: a choice box needs 2 to 4 buttons: " + Describe(call));
  }
  const Reply reply = Take(Reply::Type::kChoice, call);
  if (reply.choice < 1 || reply.choice > static_cast<int>(captions.size())) {
    throw FakeUiError("FakeUi: the queued button number is not offered by " + Describe(call));
  }
  return reply.choice;
}

std::optional<std::string> FakeUi::PromptText(const std::string& title, const std::string& prompt,
                                              const std::string& initial) {
  UiCall call;
  call.type = UiCall::Type::kPromptText;
  call.title = title;
  call.text = prompt;
  call.initial = initial;
  calls_.push_back(call);
  return Take(Reply::Type::kText, call).text;
}

std::optional<std::string> FakeUi::PromptPassword(const std::string& title,
                                                  const std::string& prompt) {
  UiCall call;
  call.type = UiCall::Type::kPromptPassword;
  call.title = title;
  call.text = prompt;
  calls_.push_back(call);
  return Take(Reply::Type::kText, call).text;
}

std::vector<std::string> FakeUi::OpenFiles(const platform::FileDialogOptions& options) {
  UiCall call;
  call.type = UiCall::Type::kOpen;
  call.title = options.title;
  call.text = options.folder;
  call.initial = options.file_name;
  calls_.push_back(call);
  return Take(Reply::Type::kFiles, call).files;
}

std::optional<std::string> FakeUi::SaveFile(const platform::FileDialogOptions& options) {
  UiCall call;
  call.type = UiCall::Type::kSave;
  call.title = options.title;
  call.text = options.folder;
  call.initial = options.file_name;
  call.filters = options.filters;
  call.filter_index = options.filter_index;
  call.default_extension = options.default_extension;
  calls_.push_back(call);
  while (!filter_changes_.empty()) {
    const int index = filter_changes_.front();
    filter_changes_.pop_front();
    if (options.filter_changed) options.filter_changed(index);
  }
  return Take(Reply::Type::kText, call).text;
}

std::optional<platform::PickedColour> FakeUi::PickColour(const std::string& title,
                                                         const platform::PickedColour& initial) {
  UiCall call;
  call.type = UiCall::Type::kColour;
  call.title = title;
  call.colour = initial;
  calls_.push_back(call);
  return Take(Reply::Type::kColour, call).colour;
}

std::optional<std::string> FakeUi::PickFolder(const std::string& title,
                                              const std::string& initial) {
  UiCall call;
  call.type = UiCall::Type::kFolder;
  call.title = title;
  call.text = initial;
  calls_.push_back(call);
  return Take(Reply::Type::kText, call).text;
}

}  // namespace vr::fakes
