#include "app/UserManual.h"

#include <filesystem>
#include <fstream>

namespace talven {

std::vector<std::string> UserManualCandidates(const std::string& programDir) {
    namespace fs = std::filesystem;
    const fs::path dir(programDir.empty() ? std::string(".") : programDir);
    return {(dir / kUserManualFileName).lexically_normal().string(),
            (dir / ".." / "share" / "doc" / "talven" / kUserManualFileName).lexically_normal().string()};
}

std::string FindUserManual(const std::string& programDir) {
    for (const std::string& candidate : UserManualCandidates(programDir)) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(candidate, ec))
            continue;
        if (std::ifstream(candidate, std::ios::binary).good())
            return candidate;
    }
    return std::string();
}

}  // namespace talven
