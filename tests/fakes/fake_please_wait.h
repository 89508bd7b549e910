#pragma once
// Recording doubles of the please-wait window and the message pump. A test raises the stop flag
// the way a user would press the button: after a number of texts, when a text contains some
// words, or from the pump's hook.

#include <functional>
#include <string>
#include <vector>

#include "platform/please_wait.h"

namespace vr::fakes {

class FakePleaseWait : public platform::PleaseWait {
 public:
  void Show() override;
  void Hide() override;
  bool IsVisible() const override { return visible_; }
  void SetText(const std::string& text) override;
  std::string Text() const override { return text_; }
  void SetProgress(int percent) override { progress_.push_back(percent); }
  void SetStopCaption(const std::string& caption) override;
  std::string StopCaption() const override { return caption_; }
  bool StopRequested() const override { return stop_; }
  void RequestStop() override { stop_ = true; }
  void ClearStop() override { stop_ = false; }

  // Script: raise the stop flag once `count` more texts have been shown.
  void StopAfterTexts(int count) { stop_after_texts_ = count; }
  // Script: raise the stop flag when a text containing `words` is shown.
  void StopWhenTextContains(std::string words) { stop_when_ = std::move(words); }

  const std::vector<std::string>& texts() const { return texts_; }
  const std::vector<std::string>& captions() const { return captions_; }
  const std::vector<int>& progress() const { return progress_; }
  int shows() const { return shows_; }
  int hides() const { return hides_; }

 private:
  bool visible_ = false;
  bool stop_ = false;
  std::string text_;
  std::string caption_ = kDefaultStopCaption;
  std::vector<std::string> texts_;
  std::vector<std::string> captions_;
  std::vector<int> progress_;
  int shows_ = 0;
  int hides_ = 0;
  int stop_after_texts_ = -1;
  std::string stop_when_;
};

class FakeMessagePump : public platform::MessagePump {
 public:
  void PumpMessages() override {
    ++count_;
    if (on_pump) on_pump(count_);
  }
  int count() const { return count_; }
  // Runs on every pump with the number of pumps so far.
  std::function<void(int)> on_pump;

 private:
  int count_ = 0;
};

}  // namespace vr::fakes
