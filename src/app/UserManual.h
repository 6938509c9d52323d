#pragma once
// Where the user manual is: beside the program (a build tree), or in the documentation folder of
// an installed program (<prefix>/bin/talven and <prefix>/share/doc/talven/).

#include <string>
#include <vector>

namespace talven {

inline constexpr const char* kUserManualFileName = "TALVEN_User_Manual.pdf";

/// The places looked at, in order, for a program in programDir.
std::vector<std::string> UserManualCandidates(const std::string& programDir);
/// The first candidate that is a readable file, or empty.
std::string FindUserManual(const std::string& programDir);

}  // namespace talven
