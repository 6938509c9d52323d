#pragma once
// The archive's class registry: the class name written in a class record, the schema number stored
// with it, and a factory for loading. Layers add their own classes with RegisterArchiveClass
// (the DLOG and calibrator classes register theirs at start-up); the network and transport
// classes are registered here on first use.

#include <cstdint>
#include <memory>
#include <string_view>

#include "foundation/SerialObject.h"

namespace talven {

using ArchiveFactory = std::unique_ptr<SerialObject> (*)();

struct ArchiveClass {
    const char* name;
    std::uint16_t schema;
    ArchiveFactory create;
};

/// Adds or replaces a class. Thread safe; call before any archive using the class runs.
void RegisterArchiveClass(const char* name, std::uint16_t schema, ArchiveFactory create);
/// The class registered under that exact name, or null.
const ArchiveClass* FindArchiveClass(std::string_view name);
/// The schema number stored with that class; 0 for a class that is not registered.
std::uint16_t SchemaOf(std::string_view name);

}  // namespace talven
