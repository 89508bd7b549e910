#pragma once
// The user-interface service: message boxes, the choice box, multi-file confirmations, prompts and
// the file dialogs. Logic talks to this interface only; the Qt windows implement it and the tests
// script it.
//
// Texts are passed exactly as the program defines them, with a lone "\r" between lines ("\r\r"
// for an empty line). Only the Qt implementation turns them into line breaks for display.
//
// Every message box is preceded by its sound while the sound switch is on: "BRAKES" before
// warnings, "ALARM" before errors, "SYSTEMQUESTION" before questions and information. The base
// class plays it, so every implementation (the test double too) behaves alike.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vr::platform {

class Sounds;

// What a box is about; it sets the caption icon and the sound played first.
enum class MessageKind { kWarning, kError, kInformation, kQuestion };

// The buttons a box offers, as a set of bits.
enum Buttons : unsigned {
  kButtonOk = 1u << 0,
  kButtonCancel = 1u << 1,
  kButtonYes = 1u << 2,
  kButtonNo = 1u << 3,
  kButtonYesToAll = 1u << 4,
  kButtonNoToAll = 1u << 5,
};
constexpr unsigned kOkOnly = kButtonOk;
constexpr unsigned kOkCancel = kButtonOk | kButtonCancel;
constexpr unsigned kYesNo = kButtonYes | kButtonNo;
constexpr unsigned kYesNoCancel = kButtonYes | kButtonNo | kButtonCancel;
// The confirmation of operations that cover several files.
constexpr unsigned kYesNoAll = kButtonYes | kButtonNo | kButtonYesToAll | kButtonNoToAll;

// The button that closed a box. Escape or closing the window gives kCancel when the box has a
// Cancel button, else kNo when it has No, else kOk.
enum class Answer { kOk, kCancel, kYes, kNo, kYesToAll, kNoToAll };

// The choice box's kind: sets caption and icon.
enum class ChoiceKind { kWarning = 0, kError = 1, kInformation = 2 };

// One entry of a file dialog's type list, e.g. {"Pictures", "*.gif *.jpg"}.
struct FileFilter {
  std::string caption;
  std::string patterns;
};

struct FileDialogOptions {
  std::string title;
  std::string folder;     // initial folder; empty means the dialog's own choice
  std::string file_name;  // initial file name ("+" or "*" lists every file)
  std::vector<FileFilter> filters;
  int filter_index = 0;   // initially chosen filter
  bool multiple = false;  // open dialog: allow several files
  // Save dialog: appended to a name typed without an extension (".GIF"); empty adds none.
  std::string default_extension;
  // Save dialog: told the new index when the user picks another file type in the dialog.
  std::function<void(int filter_index)> filter_changed;
};

// A colour of the colour dialog.
struct PickedColour {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

class Ui {
 public:
  virtual ~Ui() = default;

  // The sound service that plays the box sounds; nullptr plays nothing.
  void SetSounds(Sounds* sounds) { sounds_ = sounds; }
  Sounds* sounds() const { return sounds_; }

  // A box with an OK button.
  void Warning(const std::string& text, const std::string& title = "Warning");
  void Error(const std::string& text, const std::string& title = "Error");
  void Information(const std::string& text, const std::string& title = "Information");

  // A box of the given kind and buttons (see Buttons); returns the button pressed.
  Answer Ask(MessageKind kind, const std::string& title, const std::string& text, unsigned buttons);
  // Shortcut: a Yes/No question; true for Yes.
  bool AskYesNo(const std::string& text, const std::string& title = "Confirm");

  // The choice box: two to four captions, first button first. A caption beginning with "+" marks
  // the focused button, one beginning with "-" the button that answers Escape; the mark is not
  // shown. Returns the number of the pressed button, 1 for the first. Escape without a "-" button
  // gives the last button. The box's sound follows its kind.
  int Choice(const std::string& title, ChoiceKind kind, const std::string& text,
             const std::vector<std::string>& captions);

  // Prompts: nothing when the user cancels.
  virtual std::optional<std::string> PromptText(const std::string& title, const std::string& prompt,
                                                const std::string& initial) = 0;
  virtual std::optional<std::string> PromptPassword(const std::string& title,
                                                    const std::string& prompt) = 0;

  // File dialogs: empty (or nothing) when cancelled.
  virtual std::vector<std::string> OpenFiles(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> PickFolder(const std::string& title,
                                                const std::string& initial) = 0;
  // The colour dialog starting at `initial`; nothing when cancelled. The base offers none.
  virtual std::optional<PickedColour> PickColour(const std::string& title,
                                                 const PickedColour& initial);

  // The sound that precedes a box of this kind.
  static const char* SoundOf(MessageKind kind);
  static MessageKind KindOf(ChoiceKind kind);
  // A caption without its "+" or "-" mark.
  static std::string ShownCaption(const std::string& caption);
  // The 1-based numbers of the focused and the Escape buttons of a choice box (0 when unmarked;
  // Escape then answers with the last button).
  static int FocusedChoice(const std::vector<std::string>& captions);
  static int EscapeChoice(const std::vector<std::string>& captions);

 protected:
  // Show the box; the sound has been played already.
  virtual Answer ShowMessage(MessageKind kind, const std::string& title, const std::string& text,
                             unsigned buttons) = 0;
  virtual int ShowChoice(const std::string& title, ChoiceKind kind, const std::string& text,
                         const std::vector<std::string>& captions) = 0;

 private:
  void PlayCue(MessageKind kind);

  Sounds* sounds_ = nullptr;
};

// One multi-file operation's confirmations. The first "Yes to all" or "No to all" answer holds
// for every later question of the same scope, which ends when the scope object goes away, so one
// operation's answer never leaks into the next.
class ConfirmScope {
 public:
  explicit ConfirmScope(Ui& ui) : ui_(ui) {}
  ConfirmScope(const ConfirmScope&) = delete;
  ConfirmScope& operator=(const ConfirmScope&) = delete;

  // Asks with Yes / No / Yes to all / No to all unless a "to all" answer holds; gives kYes,
  // kNo, kYesToAll or kNoToAll (a held answer comes back as its "to all" value, Escape as kNo).
  Answer Ask(MessageKind kind, const std::string& title, const std::string& text);
  // Ask(), folded to yes or no.
  bool Confirm(MessageKind kind, const std::string& title, const std::string& text);

  // Set from outside (e.g. deleting the current file answers the companion-file question with
  // yes to all from the start).
  void HoldYesToAll() { held_ = Answer::kYesToAll; }
  void HoldNoToAll() { held_ = Answer::kNoToAll; }
  void Reset() { held_.reset(); }
  bool YesToAll() const { return held_ == Answer::kYesToAll; }
  bool NoToAll() const { return held_ == Answer::kNoToAll; }
  std::optional<Answer> held() const { return held_; }

 private:
  Ui& ui_;
  std::optional<Answer> held_;
};

}  // namespace vr::platform
