#include "calibrator/CalibratorFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace talven {

bool OpenScriptFile(const std::string& path, std::ifstream& file) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    file.open(path, std::ios::binary);
    return file.is_open();
}

}  // namespace talven
