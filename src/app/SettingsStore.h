#pragma once
// Where the options value is kept between runs: bytes in, bytes out, by section and key.
// The window program keeps it in the desktop's settings; the command line and headless runs in a
// file under the user's configuration directory; tests in memory.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace talven {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::vector<std::uint8_t>> Read(const std::string& section,
                                                          const std::string& key) = 0;
    virtual bool Write(const std::string& section, const std::string& key,
                       const std::vector<std::uint8_t>& value) = 0;
};

class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::vector<std::uint8_t>> Read(const std::string& section,
                                                  const std::string& key) override;
    bool Write(const std::string& section, const std::string& key,
               const std::vector<std::uint8_t>& value) override;

  private:
    std::map<std::string, std::vector<std::uint8_t>> values_;
};

/// One file per value: <directory>/<section>/<key>. Writes go to a temporary file that is renamed
/// into place, so a crash never leaves half a value.
class FileSettingsStore : public SettingsStore {
  public:
    explicit FileSettingsStore(std::string directory);
    /// $XDG_CONFIG_HOME/OrvaneVamir/TALVEN, or ~/.config/OrvaneVamir/TALVEN.
    static std::string DefaultDirectory();
    std::optional<std::vector<std::uint8_t>> Read(const std::string& section,
                                                  const std::string& key) override;
    bool Write(const std::string& section, const std::string& key,
               const std::vector<std::uint8_t>& value) override;
    const std::string& directory() const { return directory_; }

  private:
    std::string directory_;
};

}  // namespace talven
