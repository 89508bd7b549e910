#pragma once
// Temporary files made under a shared name prefix in the shared temporary folder (the plain view
// copies "~LS_Special_" of protected pictures), and their removal.
//
// Several viewers, of this user or of others, share the temporary folder, so a file is never
// deleted because of its name alone. Each process writes the paths of the files it made into a
// record of its own in a private folder and holds a lock on that record while it runs (the
// kernel drops the lock when the process dies, however it ends). A sweep deletes this process's
// files and those listed in the records of processes that have ended; another running viewer's
// files, and anything that only carries the prefix, stay.

#include <string>
#include <vector>

namespace vr::platform {

inline constexpr const char* kSpecialTempPrefix = "~LS_Special_";

class TempFileSweep {
 public:
  // Records live in `records_folder` (a private folder; empty: records are kept in memory only
  // and the files of ended processes are left alone). Only files whose names begin with
  // `prefix` are ever recorded or deleted.
  TempFileSweep(std::string records_folder, std::string prefix);
  ~TempFileSweep();
  TempFileSweep(const TempFileSweep&) = delete;
  TempFileSweep& operator=(const TempFileSweep&) = delete;

  // Takes a file this process has just made into its care. False when the name does not carry
  // the prefix or the path is not absolute (nothing is recorded).
  bool Adopt(const std::string& path);
  // Deletes this process's files and the files of ended processes; gives how many were deleted.
  int Sweep();

  const std::vector<std::string>& own_files() const { return own_; }

 private:
  bool OpenOwnRecord();
  bool RewriteOwnRecord();
  bool Carries(const std::string& path) const;

  std::string folder_;
  std::string prefix_;
  int record_fd_ = -1;
  std::string record_path_;
  std::vector<std::string> own_;
};

// The process's sweep of "~LS_Special_" files, its records in the runtime folder
// (RuntimeFolder) under "temp-files/".
TempFileSweep& SpecialTempFiles();
// SpecialTempFiles().Sweep(): before each picture is shown and at shutdown.
int SweepSpecialTempFiles();

}  // namespace vr::platform
