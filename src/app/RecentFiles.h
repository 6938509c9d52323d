#pragma once
// The recent-file list of the File menu: the last network configurations opened or saved, newest
// first, kept in the settings store between runs.

#include <cstddef>
#include <string>
#include <vector>

namespace talven {

class SettingsStore;

inline constexpr const char* kRecentFilesSection = "Recent File List";

class RecentFileList {
  public:
    static constexpr std::size_t kMaxEntries = 10;

    /// Puts the file first. The path is made absolute, so that a file named relative to the
    /// directory the program started in is found again from anywhere; an entry for the same file
    /// moves up instead of appearing twice, and the oldest entry drops off beyond ten.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    const std::vector<std::string>& Entries() const { return entries_; }

    /// Reads "File1" to "File10" of the section; empty or missing values are skipped.
    void Load(SettingsStore& store);
    /// Writes all ten values, the unused ones empty, so that a shorter list leaves no stale entry.
    bool Save(SettingsStore& store) const;

  private:
    std::vector<std::string> entries_;
};

}  // namespace talven
