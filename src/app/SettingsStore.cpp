#include "app/SettingsStore.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace talven {

namespace fs = std::filesystem;

std::optional<std::vector<std::uint8_t>> MemorySettingsStore::Read(const std::string& section,
                                                                   const std::string& key) {
    auto it = values_.find(section + "/" + key);
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::Write(const std::string& section, const std::string& key,
                                const std::vector<std::uint8_t>& value) {
    values_[section + "/" + key] = value;
    return true;
}

FileSettingsStore::FileSettingsStore(std::string directory) : directory_(std::move(directory)) {}

std::string FileSettingsStore::DefaultDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    return base + "/OrvaneVamir/TALVEN";
}

std::optional<std::vector<std::uint8_t>> FileSettingsStore::Read(const std::string& section,
                                                                 const std::string& key) {
    std::ifstream in(fs::path(directory_) / section / key, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileSettingsStore::Write(const std::string& section, const std::string& key,
                              const std::vector<std::uint8_t>& value) {
    std::error_code ec;
    const fs::path dir = fs::path(directory_) / section;
    fs::create_directories(dir, ec);
    const fs::path target = dir / key;
    const fs::path temp = dir / (key + ".tmp." + std::to_string(::getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(value.data()), static_cast<std::streamsize>(value.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace talven
