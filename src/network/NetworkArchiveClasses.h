#pragma once
// Registers the classes of the network and transport layers with the archive's class registry.
// Runs once, on the registry's first use.

namespace talven {

void RegisterNetworkArchiveClasses();

}  // namespace talven
