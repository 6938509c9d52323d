#include "calibrator/CalibratorFiles.h"

#include <filesystem>

#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "foundation/NamedObject.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

bool OpenScriptFile(const std::string& path, std::ifstream& file) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    file.open(path, std::ios::binary);
    return file.is_open();
}

CalFileResult FileFailure(int messageId, const std::string& path) {
    CalFileResult result;
    result.message = FormatMessage(messageId, path);
    Log(kLogError, result.message);
    return result;
}

CalFileResult ReadScriptFile(const std::string& path, int unableToLoad, int syntaxError,
                             const std::function<bool(TokenStream&, CNamedObjectList&)>& read,
                             CNamedObjectList& out) {
    std::ifstream file;
    if (!OpenScriptFile(path, file))
        return FileFailure(unableToLoad, path);
    FileInstrumentTokenStream ts(file);
    ts.SetMultiLine(true);
    const bool parsed = read(ts, out);
    if (file.bad())
        return FileFailure(unableToLoad, path);
    CalFileResult result;
    if (!parsed) {
        result.message = FormatMessage(syntaxError, ts.GetErrorText(), ts.GetErrorLine(), path);
        Log(kLogError, result.message);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace talven
