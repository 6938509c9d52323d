// The manual is found beside a program in a build tree first, then in an installed program's
// documentation folder; a folder that is there without the file does not count.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/UserManual.h"

namespace talven {
namespace {

namespace fs = std::filesystem;

TEST(UserManualTest, beside_the_program_first_then_the_installed_documentation_folder) {
    const fs::path root = fs::temp_directory_path() / ("talven-manual-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path bin = root / "bin";
    const fs::path doc = root / "share" / "doc" / "talven";
    fs::create_directories(bin);
    fs::create_directories(doc);
    EXPECT_EQ(FindUserManual(bin.string()), "");

    std::ofstream(doc / kUserManualFileName) << "%PDF-1.4";
    EXPECT_EQ(fs::path(FindUserManual(bin.string())), (doc / kUserManualFileName).lexically_normal());

    std::ofstream(bin / kUserManualFileName) << "%PDF-1.4";
    EXPECT_EQ(fs::path(FindUserManual(bin.string())), (bin / kUserManualFileName).lexically_normal());

    // A folder of that name is not the manual.
    fs::remove(bin / kUserManualFileName);
    fs::create_directory(bin / kUserManualFileName);
    EXPECT_EQ(fs::path(FindUserManual(bin.string())), (doc / kUserManualFileName).lexically_normal());
    fs::remove_all(root);
}

}  // namespace
}  // namespace talven
