#pragma once
// What the talvenctl tests share: running a command in-process and reading or writing whole files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Talvenctl.h"

namespace talven::cli::test {

struct Result {
    int status;
    std::string out;
    std::string err;
};

inline Result Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunTalvenctl(args, out, err);
    return {status, out.str(), err.str()};
}

/// As Run, but a command to a simulator gets a short receive time-out unless it names one: some
/// replies end only when the instrument falls silent.
inline Result RunAgainstSimulator(std::vector<std::string> args) {
    auto has = [&](const char* option) { return std::find(args.begin(), args.end(), option) != args.end(); };
    if ((has("--tcp") || has("--network")) && !has("--timeout") && !has("--help")) {
        args.push_back("--timeout");
        args.push_back("400");
    }
    return Run(args);
}

/// A fresh directory under the system's temporary directory, removed with all it holds.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "talvenctl-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
        EXPECT_FALSE(path_.empty()) << "no temporary directory";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace talven::cli::test
