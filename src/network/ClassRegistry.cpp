#include "network/ClassRegistry.h"

#include <map>
#include <mutex>
#include <string>

#include "network/NetworkArchiveClasses.h"

namespace talven {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, ArchiveClass, std::less<>> classes;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

void EnsureNetworkClasses() {
    static std::once_flag once;
    std::call_once(once, RegisterNetworkArchiveClasses);
}

}  // namespace

void RegisterArchiveClass(const char* name, std::uint16_t schema, ArchiveFactory create) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.classes[name] = ArchiveClass{name, schema, create};
}

const ArchiveClass* FindArchiveClass(std::string_view name) {
    EnsureNetworkClasses();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto it = registry.classes.find(name);
    // Map nodes are stable and entries are only ever replaced in place, so the pointer stays valid.
    return it == registry.classes.end() ? nullptr : &it->second;
}

std::uint16_t SchemaOf(std::string_view name) {
    const ArchiveClass* c = FindArchiveClass(name);
    return c ? c->schema : 0;
}

}  // namespace talven
