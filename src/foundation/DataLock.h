#pragma once
// The one application-wide recursive lock guarding every field that the user interface and the
// connection workers both see. Take it in short scopes; never hold it across link I/O or a sleep.

#include <mutex>

namespace talven {

std::recursive_mutex& DataLock();

/// Scoped hold of the data lock; the thread that holds it may take it again.
class DataGuard {
  public:
    DataGuard() : lock_(DataLock()) {}

  private:
    std::lock_guard<std::recursive_mutex> lock_;
};

}  // namespace talven
