#include "fakes/fake_please_wait.h"

namespace vr::fakes {

void FakePleaseWait::Show() {
  visible_ = true;
  ++shows_;
}

void FakePleaseWait::Hide() {
  visible_ = false;
  ++hides_;
}

void FakePleaseWait::SetText(const std::string& text) {
  text_ = text;
  texts_.push_back(text);
  if (stop_after_texts_ > 0 && --stop_after_texts_ == 0) stop_ = true;
  if (!stop_when_.empty() && text.find(stop_when_) != std::string::npos) stop_ = true;
}

void FakePleaseWait::SetStopCaption(const std::string& caption) {
  caption_ = caption.empty() ? kDefaultStopCaption : caption;
  captions_.push_back(caption_);
}

}  // namespace vr::fakes
