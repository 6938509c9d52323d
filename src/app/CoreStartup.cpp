#include "app/CoreStartup.h"

#include <mutex>

#include "calibrator/CalibratorClasses.h"
#include "dlog/DASChannel.h"
#include "dlog/InstrumentNodeDlog.h"
#include "session/SessionEnvironment.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

void InitializeCore() {
    static std::once_flag once;
    std::call_once(once, [] {
        PrepareTokenTables();
        // Without these a file holding DLOG channels or sequences would not load.
        RegisterDlogArchiveClasses();
        RegisterCalibratorArchiveClasses();
        AddSessionObserver(&CalibratorSessionObserver());
        AddSessionObserver(&DlogSessionObserver());
    });
}

}  // namespace talven
