#pragma once
// One root's hive on disk. Writes replace the file whole (temporary file,
// fsync, rename, fsync of the directory), so a reader or a crash at any moment
// sees either the old hive or the new one, never a mix.

#include <filesystem>
#include <optional>
#include <string>

#include "platform/system_posix/registry_hive.h"

namespace zelmora::platform::hive {

enum class HiveFileState {
  Missing,     // no file yet: an empty hive
  Read,        // parsed
  Damaged,     // present but not a complete hive of this root
  Unreadable,  // present but could not be read (permissions, I/O error)
};

struct LoadedHive {
  HiveFileState state = HiveFileState::Missing;
  Hive hive;
};

class HiveFile {
 public:
  // file: e.g. <config>/zelmora/HKLM.reg; rootName: e.g. "HKEY_LOCAL_MACHINE".
  HiveFile(std::filesystem::path file, std::string rootName);

  LoadedHive Load() const;
  // Whether this process may create or replace files in the hive's directory
  // (created here when missing).
  bool PrepareForWriting() const;
  bool Store(const Hive& hive) const;
  // Renames a damaged hive to <name>.damaged-<UTC time> beside the new one.
  bool SetAsideDamaged() const;

  const std::filesystem::path& Path() const { return file_; }

  // Serialises read-modify-write cycles of all processes on this directory
  // (flock on the directory itself, so no lock file is left behind).
  class WriteLock {
   public:
    explicit WriteLock(const std::filesystem::path& directory);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return held_; }

   private:
    int directoryFd_ = -1;
    bool held_ = false;
  };
  WriteLock LockForWriting() const { return WriteLock(file_.parent_path()); }

 private:
  std::filesystem::path file_;
  std::string rootName_;
};

}  // namespace zelmora::platform::hive
