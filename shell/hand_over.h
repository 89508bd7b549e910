#pragma once
// Process start between several viewers: the multi-load decision, the hand-over of a command line
// to the running viewer (sender side) and the receiving side's choice of what to load.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vr::platform {
class Ui;
class SingleInstance;
}  // namespace vr::platform

namespace vr::shell {

// Multi-load modes ("General" "MultiLoad").
inline constexpr int kMultiLoadYes = 0;
inline constexpr int kMultiLoadNo = 1;
inline constexpr int kMultiLoadAsk = 2;

inline constexpr int kStartupLockWaitMs = 5000;
inline constexpr int kFlagWaitMs = 10000;
// The acknowledgement has no bound in the old design; a receiver that takes the text but never
// answers must not hang the sender forever.
inline constexpr int kAckWaitMs = 15000;

inline constexpr const char* kAskTitle = "Another copy of Veldrimon is running:";
inline constexpr const char* kAskText =
    "Veldrimon is ALREADY running.\r\rDo you wish to open up a new/seperate Veldrimon window ?";
inline constexpr const char* kAskRunAnother = "+Run Another Copy Veldrimon";
inline constexpr const char* kAskUseCurrent = "Use Current Veldrimon";
inline constexpr const char* kNoAnswerWarning =
    "Something Wierd happened in Veldrimon:(\r\rMore than likely you chose to EDIT a file from "
    "within Veldrimon and Veldrimon sits dormant UNTIL you exit the editor.\r\rOR, Veldrimon is in "
    "a process that takes some time to complete.\r\rTry again later!";
inline constexpr const char* kTooLongArgument =
    "A name on the command line is longer than 299 characters and cannot be handed to the "
    "running Veldrimon:\r\r";

enum class StartAction { kRun, kHandOver };

// What to do by mode once it is known whether a viewer runs. ASK puts the choice box up through
// `ask` (gives the pressed button, 1 = run another copy). Unknown modes count as NO.
StartAction DecideStart(int mode, bool viewer_running, const std::function<int()>& ask);
// The choice box of mode ASK.
int AskRunAnother(platform::Ui& ui);

// The receiver's split of a command-line text: blanks separate arguments; an argument opening
// with a double quote runs to the next quote (or the end) without the quotes.
std::vector<std::string> SplitCommandLine(const std::string& text);
// The sender's text: every argument in double quotes, separated by one blank. An argument that
// holds a double quote itself cannot be carried and is left out.
std::string JoinCommandLine(const std::vector<std::string>& args);
// The first argument longer than 299 characters, if any.
std::optional<std::string> TooLongArgument(const std::vector<std::string>& args);

// The receiver's choice: of the arguments after the sender's program path, those whose extension
// is allowable and those that are not existing files (folders). Empty: nothing to do.
std::vector<std::string> HandOverPaths(
    const std::vector<std::string>& args, const std::function<bool(const std::string&)>& allowable,
    const std::function<bool(const std::string&)>& is_existing_file);

// The sender's whole hand-over: refuses over-long arguments with a message, then hands the text
// over and warns when nobody answers. True when the viewer took the command line.
bool SendHandOver(platform::SingleInstance& instance, platform::Ui& ui,
                  const std::vector<std::string>& args, int flag_wait_ms = kFlagWaitMs,
                  int ack_wait_ms = kAckWaitMs);

}  // namespace vr::shell
