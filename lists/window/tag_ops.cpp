#include "lists/window/tag_ops.h"

#include <optional>

#include "colour/export/export_source.h"
#include "lists/recycle/recycle_bin.h"
#include "notes/notes_database.h"
#include "picture/kinds.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::list_window {

using platform::ConfirmScope;
using platform::MessageKind;

namespace {

constexpr const char* kQuestionTitle = "Confirm";
constexpr int kPumpEvery = 5;
constexpr int kTagPumpEvery = 1000;
constexpr size_t kTagShowWaitAbove = 30000;

// Splits a file name at its last "." (the extension keeps the dot).
void SplitName(const std::string& name, std::string* base, std::string* extension) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    *base = name;
    extension->clear();
  } else {
    *base = name.substr(0, dot);
    *extension = name.substr(dot);
  }
}

// The ids of the tagged entries from the last to the first, so a walk survives entries being
// removed or re-added while it runs.
std::vector<int32_t> TaggedIdsFromLast(const lists::FilesList& list) {
  std::vector<int32_t> ids;
  for (int i = list.Count() - 1; i >= 0; --i) {
    const lists::FileEntry* entry = list.Peek(i);
    if (entry->tagged) ids.push_back(entry->id);
  }
  return ids;
}

}  // namespace

std::string RenamedName(const std::string& name, RenameMethod method, const std::string& text,
                        int count) {
  if (text.find('/') != std::string::npos || text.find('\\') != std::string::npos) return {};
  std::string base;
  std::string extension;
  SplitName(name, &base, &extension);
  const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
  switch (method) {
    case RenameMethod::kAddToFront:
      base = text + base;
      break;
    case RenameMethod::kAddToEnd:
      base += text;
      break;
    case RenameMethod::kReplaceFirst:
      if (base.size() < text.size()) base.resize(text.size(), ' ');
      base.replace(0, text.size(), text);
      break;
    case RenameMethod::kDeleteFirst:
      base = n >= base.size() ? std::string() : base.substr(n);
      break;
    case RenameMethod::kDeleteLast:
      base = n >= base.size() ? std::string() : base.substr(0, base.size() - n);
      break;
  }
  if (base.empty() || base == "." || base == "..") return {};
  return base + extension;
}

std::string FolderHistory::Use(const std::string& folder) {
  const std::string stored = platform::WithTrailingSeparator(folder);
  for (const std::string& item : items_) {
    if (item == stored) return stored;
  }
  items_.insert(items_.begin(), stored);
  if (items_.size() > static_cast<size_t>(kHistorySize)) items_.resize(kHistorySize);
  return stored;
}

void FolderHistory::SetItems(std::vector<std::string> items) {
  items_.clear();
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (!it->empty()) Use(*it);
  }
}

TagOperations::TagOperations(lists::FilesList& list, TagServices services)
    : list_(list), services_(std::move(services)) {}

void TagOperations::ShowFile(const std::string& text) {
  if (services_.please_wait != nullptr) services_.please_wait->SetText(text);
}

void TagOperations::Pump(int step) {
  if (services_.pump != nullptr && step % kPumpEvery == 0) services_.pump->PumpMessages();
}

bool TagOperations::Stopped() const {
  return services_.please_wait != nullptr && services_.please_wait->StopRequested();
}

void TagOperations::Finish() {
  if (list_.sort_kind() != lists::kSortNone)
    list_.SortBy(list_.sort_kind(), list_.sort_direction());
  if (services_.refresh) services_.refresh();
}

void TagOperations::TagHighlighted(const std::vector<int>& positions, bool tag) {
  std::optional<platform::PleaseWaitScope> wait;
  if (positions.size() > kTagShowWaitAbove && services_.please_wait != nullptr) {
    wait.emplace(*services_.please_wait,
                 tag ? "Tagging HI-LITED Files..." : "UN-Tagging HI-LITED Files...");
  }
  int step = 0;
  for (int position : positions) {
    list_.SetTag(position, tag);
    if (++step % kTagPumpEvery == 0 && services_.pump != nullptr) services_.pump->PumpMessages();
  }
  if (services_.refresh) services_.refresh();
}

void TagOperations::FlipTags() {
  for (int i = 0; i < list_.Count(); ++i) list_.ToggleTag(i);
  if (services_.refresh) services_.refresh();
}

void TagOperations::NoTags() {
  for (int i = 0; i < list_.Count(); ++i) {
    if (list_.Peek(i)->tagged) list_.SetTag(i, false);
  }
  if (services_.refresh) services_.refresh();
}

void TagOperations::SortByTag() {
  list_.SortFilesList(lists::kSortTag);
  if (services_.refresh) services_.refresh();
}

void TagOperations::FollowCompanion(const std::string& source, const std::string& target,
                                    const char* operation, ConfirmScope& answers, bool copy) {
  platform::Files& files = *services_.files;
  const std::string from = source + kAssocSuffix;
  const std::string to = target + kAssocSuffix;
  if (!files.IsFile(from) || answers.NoToAll()) return;
  if (!answers.Confirm(MessageKind::kQuestion, kQuestionTitle,
                       std::string("Do you want to ") + operation + " the associated " +
                           kAssocSuffix + " file for " + source + "?")) {
    return;
  }
  if (platform::SamePath(from, to)) return;
  if (files.Exists(to)) {
    if (auto attributes = files.GetAttributes(to)) {
      files.SetAttributes(to, *attributes & ~(platform::kAttrReadOnly | platform::kAttrHidden |
                                              platform::kAttrSystem));
    }
    files.DeleteFile(to);
  }
  const platform::FileResult result = copy ? files.CopyFile(from, to) : files.MoveFile(from, to);
  if (!result) services_.ui->Warning(result.message + "\r\r" + from);
}

OperationResult TagOperations::WalkTagged(const std::vector<int32_t>& ids, const Visit& visit) {
  OperationResult result;
  int step = 0;
  for (int32_t id : ids) {
    if (Stopped()) {
      result.stopped = true;
      break;
    }
    // The message loop runs first: what it does may remove entries, so the entry is looked up
    // afterwards and is not held across it.
    Pump(++step);
    const int position = list_.PositionOfId(id);
    lists::FileEntry* entry = list_.MutablePeek(position);
    if (entry == nullptr) continue;  // gone meanwhile
    switch (visit(position, *entry)) {
      case Outcome::kDone:
        ++result.done;
        break;
      case Outcome::kFailed:
        ++result.failed;
        break;
      case Outcome::kSkipped:
        break;
    }
  }
  return result;
}

void TagOperations::Moved(const std::string& source, const std::string& target) {
  moves_.emplace_back(source, target);
  if (batch_depth_ == 0) EndBatch();
}

void TagOperations::EndBatch() {
  if (batch_depth_ > 0 && --batch_depth_ > 0) return;
  if (moves_.empty()) return;
  std::vector<std::pair<std::string, std::string>> moves = std::move(moves_);
  moves_.clear();
  if (services_.files_moved) services_.files_moved(moves);
}

OperationResult TagOperations::RunWalk(const Visit& visit) {
  MoveBatch batch(*this);
  busy_ = true;
  std::optional<platform::PleaseWaitScope> wait;
  if (services_.please_wait != nullptr) wait.emplace(*services_.please_wait, "");
  const OperationResult result = WalkTagged(TaggedIdsFromLast(list_), visit);
  busy_ = false;
  wait.reset();
  Finish();
  return result;
}

OperationResult TagOperations::RemoveTagged() {
  return RunWalk([this](int, lists::FileEntry& entry) {
    const std::string path = entry.Path();
    ShowFile(path);
    list_.RemoveFromFilesList(path);
    return Outcome::kDone;
  });
}

OperationResult TagOperations::DeleteTagged() {
  if (services_.bin == nullptr) return {};
  busy_ = true;
  std::optional<platform::PleaseWaitScope> wait;
  if (services_.please_wait != nullptr) wait.emplace(*services_.please_wait, "");
  // The space the bin needs is added up before anything is deleted.
  const std::vector<int32_t> ids = TaggedIdsFromLast(list_);
  uint64_t bytes = 0;
  int step = 0;
  for (int32_t id : ids) {
    const lists::FileEntry* entry = list_.Peek(list_.PositionOfId(id));
    if (entry == nullptr) continue;
    ShowFile("Calculating RECYCLE BIN space needed:" + entry->name);
    if (auto facts = services_.files->Stat(entry->Path())) bytes += facts->size;
    Pump(++step);
  }
  recycle::FreeSpaceWarning(*services_.ui, services_.bin->DriveLabel(), services_.bin->FreeBytes(),
                            bytes);
  ConfirmScope confirm(*services_.ui);
  ConfirmScope companions(*services_.ui);
  const OperationResult result = WalkTagged(ids, [&](int, lists::FileEntry& entry) {
    return DeleteOne(entry.Path(), confirm, companions);
  });
  busy_ = false;
  wait.reset();
  Finish();
  return result;
}

TagOperations::Outcome TagOperations::DeleteOne(const std::string& path, ConfirmScope& confirm,
                                                ConfirmScope& companions) {
  if (services_.bin == nullptr) return Outcome::kFailed;
  if (!confirm.Confirm(MessageKind::kWarning, kQuestionTitle,
                       "The file listed below is about to be deleted. " + path + "\r\r" +
                           "Are you sure you want to DELETE the file from your DRIVE/FOLDER ?")) {
    return Outcome::kSkipped;
  }
  ShowFile("Deleting:" + path);
  // The bin copies the file (and its companion), clears its attributes, deletes it, and reports
  // failures itself; a file it could not copy stays on disk.
  if (!services_.bin->DeleteThroughBin(path, &companions)) return Outcome::kFailed;
  if (services_.notes != nullptr) services_.notes->DeleteNote(path);
  list_.RemoveFromFilesList(path);
  return Outcome::kDone;
}

OperationResult TagOperations::CopyTagged(const std::string& folder) {
  return Transfer(copy_history_.Use(folder), false);
}

OperationResult TagOperations::MoveTagged(const std::string& folder) {
  return Transfer(move_history_.Use(folder), true);
}

bool TagOperations::ReplaceTarget(const std::string& source, const std::string& target,
                                  bool move) {
  platform::Files& files = *services_.files;
  if (auto attributes = files.GetAttributes(target)) {
    files.SetAttributes(target, *attributes & ~(platform::kAttrReadOnly | platform::kAttrHidden |
                                                platform::kAttrSystem));
  }
  // The old target is only given up once the new file is safely there: it is set aside under a
  // fresh name first and restored when the second attempt fails.
  const std::string aside = target + ".~vr-old";
  const bool set_aside = !files.Exists(aside) && files.RenameFile(target, aside).ok;
  if (!set_aside) files.DeleteFile(target);
  const platform::FileResult done =
      move ? files.MoveFile(source, target) : files.CopyFile(source, target);
  if (set_aside) {
    if (done) {
      files.DeleteFile(aside);
    } else {
      files.RenameFile(aside, target);
    }
  }
  if (!done) {
    services_.ui->Warning(done.message + "\r\r" + source + "\r\r" + "Moving to:" + "\r\r" + target);
  }
  return done.ok;
}

OperationResult TagOperations::Transfer(const std::string& folder, bool move) {
  ConfirmScope overwrite(*services_.ui);
  ConfirmScope companions(*services_.ui);
  return RunWalk([&](int, lists::FileEntry& entry) {
    return TransferOne(entry.Path(), folder + entry.name, move, overwrite, companions);
  });
}

TagOperations::Outcome TagOperations::TransferOne(const std::string& source,
                                                  const std::string& target, bool move,
                                                  ConfirmScope& overwrite,
                                                  ConfirmScope& companions) {
  platform::Files& files = *services_.files;
  if (platform::SamePath(source, target)) return Outcome::kSkipped;
  ShowFile((move ? "Moving:" : "Copying:") + source);
  const platform::FileResult first =
      move ? files.MoveFile(source, target) : files.CopyFile(source, target);
  if (!first) {
    if (!files.Exists(target)) {
      services_.ui->Warning(first.message + "\r\r" + source + "\r\r" + "Moving to:" + "\r\r" +
                            target);
      return Outcome::kFailed;
    }
    if (!overwrite.Confirm(MessageKind::kQuestion, kQuestionTitle,
                           "File ALREADY exists in destination. Would you like to OVERWRITE the "
                           "file?\r\r" +
                               target)) {
      return Outcome::kSkipped;
    }
    if (!ReplaceTarget(source, target, move)) return Outcome::kFailed;
  }
  if (move) {
    Moved(source, target);
    if (services_.notes != nullptr) services_.notes->MoveNote(source, target);
    const int position = list_.FindInFilesList(source);
    if (position >= 0) list_.RepathEntry(position, target);
  } else if (services_.notes != nullptr) {
    services_.notes->CopyNote(source, target);
  }
  FollowCompanion(source, target, move ? "MOVE" : "COPY", companions, !move);
  return Outcome::kDone;
}

ConvertResult TagOperations::ConvertTagged(const ConvertRequest& request) {
  ConvertResult result;
  if (!request.convert) return result;
  platform::Files& files = *services_.files;
  ConfirmScope overwrite(*services_.ui);
  static_cast<OperationResult&>(result) = RunWalk([&](int, lists::FileEntry& entry) {
    const std::string source = entry.Path();
    const std::string target = colour::ConvertTarget(source, request.into, request.extension);
    // Sound and movie files hold no picture: naming them at the end beats writing whatever
    // picture the viewer showed before under their name.
    if (picture::IsMediaKind(picture::KindFromName(source))) {
      result.not_converted.push_back(source);
      return Outcome::kFailed;
    }
    if (files.Exists(target) && !request.overwrite &&
        !overwrite.Confirm(MessageKind::kQuestion, kQuestionTitle,
                           "File ALREADY exists in destination. Would you like to OVERWRITE the "
                           "file?\r\r" +
                               target)) {
      return Outcome::kSkipped;
    }
    ShowFile("Converting:" + entry.name);
    const std::string why = request.convert(source, target);
    if (!why.empty()) {
      result.not_converted.push_back(source);
      return Outcome::kFailed;
    }
    return Outcome::kDone;
  });
  if (!result.not_converted.empty()) {
    std::string text = kNotConvertedHeading;
    for (const std::string& name : result.not_converted) text += "\r" + name;
    services_.ui->Warning(text);
  }
  return result;
}

OperationResult TagOperations::RenameTagged(RenameMethod method, const std::string& text,
                                            int count) {
  platform::Files& files = *services_.files;
  ConfirmScope companions(*services_.ui);
  return RunWalk([&](int position, lists::FileEntry& entry) {
    const std::string source = entry.Path();
    const std::string name = entry.name;
    const std::string new_name = RenamedName(name, method, text, count);
    ShowFile("Renaming:" + source);
    if (new_name == name) return Outcome::kSkipped;
    const std::string target = entry.folder + new_name;
    // A name that would be empty or leave the folder is refused like a clash on disk; an
    // existing file is never replaced by a rename.
    const bool ok =
        !new_name.empty() && !files.Exists(target) && files.RenameFile(source, target).ok;
    if (!ok) {
      services_.ui->Warning("From:" + name + "\r" + "To:" + new_name + "\r\r" +
                            "Rename failed: Maybe filename ALREADY exists, or renaming on a "
                            "READ/ONLY drive.");
      return Outcome::kFailed;
    }
    Moved(source, target);
    if (services_.notes != nullptr) services_.notes->MoveNote(source, target);
    list_.RepathEntry(position, target);
    FollowCompanion(source, target, "RENAME", companions, false);
    return Outcome::kDone;
  });
}

OperationResult TagOperations::ProtectTagged(bool protect, const ProtectFn& process) {
  ConfirmScope confirm(*services_.ui);
  bool skip_rest = false;
  const std::string verb = protect ? "PROTECT" : "UN-PROTECT";
  return RunWalk([&](int position, lists::FileEntry& entry) {
    if (skip_rest) return Outcome::kSkipped;
    const std::string source = entry.Path();
    const std::string question =
        std::string("The file listed below is about to be ") +
        (protect ? "Protected(ENCRYPTED)" : "UN-Protected(DECRYPTED)") + ". \r\rAre you sure you want to " +
        verb + " the file?\r\r" + source;
    if (!confirm.Confirm(MessageKind::kQuestion, kQuestionTitle, question)) {
      return Outcome::kSkipped;
    }
    ShowFile(verb + "ing:" + source);
    std::string target;
    const std::string error = process(source, &target);
    if (!error.empty()) {
      const platform::Answer go_on = services_.ui->Ask(
          MessageKind::kWarning, "Warning",
          error + "\r\r" + source + "\r\rDo you wish to continue with the rest of the tagged files?",
          platform::kButtonYes | platform::kButtonNoToAll);
      if (go_on != platform::Answer::kYes) skip_rest = true;
      return Outcome::kFailed;
    }
    if (target != source) {
      Moved(source, target);
      if (services_.notes != nullptr) services_.notes->MoveNote(source, target);
      list_.RepathEntry(position, target);
    }
    return Outcome::kDone;
  });
}

OperationResult TagOperations::DbAddTagged() {
  if (services_.notes == nullptr) return {};
  ConfirmScope confirm(*services_.ui);
  int added = 0;
  return RunWalk([&](int, lists::FileEntry& entry) {
    const std::string path = entry.Path();
    if (!confirm.Confirm(MessageKind::kQuestion, kQuestionTitle,
                         "Do you want to ADD this file to the Notes DataBase?\r\r" + path)) {
      return Outcome::kSkipped;
    }
    notes::NotesRecord record;
    const notes::NotesStatus read = services_.notes->ReadNote(path, &record);
    if (read.status != 0 || record.live_flag != notes::kLive) {
      record = notes::NotesRecord();
      record.category = "ADDED";
    }
    if (services_.notes->WriteNote(path, record).status != 0) return Outcome::kFailed;
    if (list_.services().notes != nullptr) entry.db_field = list_.services().notes->DbField(path);
    if (++added % 10 == 0) {
      ShowFile("Adding " + std::to_string(added) + " file(s) to the Notes DataBase");
    }
    return Outcome::kDone;
  });
}

OperationResult TagOperations::DbDeleteTagged() {
  if (services_.notes == nullptr) return {};
  ConfirmScope confirm(*services_.ui);
  int deleted = 0;
  return RunWalk([&](int, lists::FileEntry& entry) {
    const std::string path = entry.Path();
    if (!confirm.Confirm(MessageKind::kQuestion, kQuestionTitle,
                         "Do you want to DELETE this file from the Notes DataBase?\r\r" + path)) {
      return Outcome::kSkipped;
    }
    if (services_.notes->DeleteNote(path).status != 0) return Outcome::kFailed;
    entry.db_field.clear();
    if (++deleted % 10 == 0) {
      ShowFile("Deleting " + std::to_string(deleted) + " file(s) to the Notes DataBase");
    }
    return Outcome::kDone;
  });
}

}  // namespace vr::list_window
