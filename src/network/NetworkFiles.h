#pragma once
// The network configuration files: the binary form (".cfg", an object archive behind an 8-byte
// header), the text form (any other extension) and the older binary form without the header.
//
// Loads are all-or-nothing: a file is parsed into temporary lists that replace the configuration's
// lists only when the whole file was read. Saves write a temporary file beside the target and
// rename it over the target once everything is written.

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/FileWrite.h"
#include "network/NetworkConfiguration.h"

namespace talven {

constexpr std::uint32_t kNetworkConfigMagic = 0xA554D0B5;

/// True when the path ends in ".cfg" in any letter case.
bool IsBinaryConfigPath(std::string_view path);

/// Loads the file into the configuration (binary or text by the path's extension). On failure the
/// configuration stays as it was, the reason is logged and the user is told in a message box, or,
/// when failure is given (code off the window thread), the reason is put there instead.
bool LoadNetworkConfiguration(CNetworkConfiguration& configuration, const std::string& path,
                              std::string* failure = nullptr);
/// Saves the configuration to the path (binary or text by the extension). On success the
/// configuration has that path, is not modified and of the current format. On failure any previous
/// file at the path is left as it was, and the reason is told as by the load.
bool SaveNetworkConfiguration(CNetworkConfiguration& configuration, const std::string& path,
                              std::string* failure = nullptr);

// The parts the two functions above are made of, for tests and tools.

/// The binary file's bytes for the lists (under the data lock). Empty with reason set when an
/// object could not be stored.
std::vector<std::uint8_t> WriteBinaryConfiguration(const SavedLists& lists, std::string* reason = nullptr);

struct BinaryLoadResult {
    bool ok = false;
    std::uint32_t format = 0;  // the file's version, or for an older file its second header value
    std::string reason;        // why it failed
};
/// Reads a binary file's bytes into lists (which should be empty), converting an older file.
BinaryLoadResult ReadBinaryConfiguration(const std::uint8_t* data, std::size_t size, SavedLists& lists);

struct TextSaveProblem {
    std::string nodeName;
    std::string field;  // as the message names it: "name", "address", ...
};
/// Appends the text file for the lists (under the data lock). False, with the node and field named,
/// when a value cannot be written in the text form (a double quote or a line break in it).
bool WriteTextConfiguration(const SavedLists& lists, std::string& out, TextSaveProblem* problem = nullptr);

struct TextLoadResult {
    bool ok = false;
    std::string errorText;  // the offending token
    int errorLine = 0;
    /// Set instead of the token when the file reads but describes no sound tree (a parent that
    /// names no node, a site among its own ancestors, a value out of range): what is wrong, with
    /// the line and the node, as the cause of the load message.
    std::string problem;
};
/// Reads a text file into lists (which should be empty).
TextLoadResult ReadTextConfiguration(std::istream& in, SavedLists& lists);

}  // namespace talven
