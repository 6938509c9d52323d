#include "app/RecentFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/SettingsStore.h"

namespace talven {

namespace {

std::string KeyOf(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

void RecentFileList::Add(const std::string& path) {
    if (path.empty())
        return;
    const std::string entry = Absolute(path);
    Remove(entry);
    entries_.insert(entries_.begin(), entry);
    if (entries_.size() > kMaxEntries)
        entries_.resize(kMaxEntries);
}

void RecentFileList::Remove(const std::string& path) {
    const std::string entry = Absolute(path);
    entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
}

void RecentFileList::Load(SettingsStore& store) {
    entries_.clear();
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        const auto value = store.Read(kRecentFilesSection, KeyOf(i));
        if (!value || value->empty())
            continue;
        const std::string path(value->begin(), value->end());
        // A value holding a NUL came from elsewhere; no file has such a name.
        if (path.find('\0') != std::string::npos)
            continue;
        if (std::find(entries_.begin(), entries_.end(), path) == entries_.end())
            entries_.push_back(path);
    }
}

bool RecentFileList::Save(SettingsStore& store) const {
    bool ok = true;
    for (std::size_t i = 0; i < kMaxEntries; ++i) {
        const std::string path = i < entries_.size() ? entries_[i] : std::string();
        ok =
            store.Write(kRecentFilesSection, KeyOf(i), std::vector<std::uint8_t>(path.begin(), path.end())) &&
            ok;
    }
    return ok;
}

}  // namespace talven
