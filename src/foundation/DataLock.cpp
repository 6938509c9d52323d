#include "foundation/DataLock.h"

namespace talven {

std::recursive_mutex& DataLock() {
    static std::recursive_mutex lock;
    return lock;
}

}  // namespace talven
