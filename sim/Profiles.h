#pragma once
// The instrument kinds the simulator can play, each with a consistent data set.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Calibrator.h"
#include "Dlog.h"

namespace talven::sim {

struct Profile {
    std::string name;
    std::string summary;
    bool calibrator = false;
    /// Capability letters of what the instrument can do; it refuses commands outside them.
    std::string features;
    bool answersInstcaps = false;
    bool answersInstid = false;
    /// Model name, part number, serial number, firmware revision, library revision.
    std::vector<std::string> identity;
    /// Texts of the "v config" listing, CONFIG[0] first.
    std::vector<std::string> config;
    /// Log-on password; 0 for none.
    int password = 0;
    /// Variables and their initial values; names in upper case.
    std::vector<std::pair<std::string, std::string>> variables;
    DasData das;
    CalibratorData cal;
    LevelForm levelForm = LevelForm::kPlain;

    bool has(char feature) const { return features.find(feature) != std::string::npos; }
};

/// Names in the order --list-profiles shows them.
std::vector<std::string> ProfileNames();
/// The profile of that name with its data set for an instrument whose clock reads now (channel
/// start dates are January 1 of that year); the seed varies the generated values.
std::optional<Profile> MakeProfile(std::string_view name, std::uint32_t now, std::uint64_t seed);

}  // namespace talven::sim
