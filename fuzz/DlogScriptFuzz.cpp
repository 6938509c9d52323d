// Any text as the DLOG configuration in every form the program reads: a script file, the
// instrument's script and printed report replies, its events and data points replies, and the
// short replies of a configuration transfer. The first byte chooses the form and the instrument.
//
// Checks: channels any reader accepts write out as a script that reads back to the same text; a
// failed file load or events/points reply leaves the instrument's lists as they were; events and
// points carry one of the three levels.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DlogInstrument.h"
#include "dlog/DlogScript.h"

namespace talven {
namespace {

using fuzz::TextTokens;

// The events decide which channels write times (a timer event's); 'w' decides "storesamples",
// 'o' whether the events and points replies are framed.
std::unique_ptr<DlogInstrumentData> MakeInstrument(unsigned choice) {
    static const char* const kCapabilities[] = {"dwihfrteonvAkxCp", "dhtferonk", "d", "dte"};
    auto inst = std::make_unique<DlogInstrumentData>();
    inst->SetCapabilities(kCapabilities[choice % 4]);
    inst->SetInstrumentName("Roof Analyzer");
    inst->SetSerialNumber("1042");
    inst->DlogEvents().Append(std::make_unique<CDASEvent>("ATIMER", 1, true, dlevel::kLow));
    inst->DlogEvents().Append(std::make_unique<CDASEvent>("SLPCHG", 2, false, dlevel::kMed));
    inst->DlogPoints().Append(std::make_unique<CDASPoint>("NOX", 10, "PPB", dlevel::kLow));
    inst->DlogPoints().Append(std::make_unique<CDASPoint>("FLOW", 11, "", dlevel::kHigh));
    return inst;
}

std::string ScriptText(IDlogInstrument& inst) {
    return GetConfigurationText(inst, dlogform::kScript);
}

// The instrument's channels, written as a script, read back to channels that write the same text.
void CheckScriptRoundTrip(DlogInstrumentData& inst) {
    const std::string text = ScriptText(inst);
    TextTokens again(text);
    CNamedObjectList reread;
    TALVEN_FUZZ_CHECK(ReadConfigurationReply(again.ts(), inst, true, true, reread));
    TALVEN_FUZZ_CHECK(again.ts().GetErrorCount() == 0);
    TALVEN_FUZZ_CHECK(reread.size() == inst.DlogChannels().size());
    inst.DlogChannels().swap(reread);
    TALVEN_FUZZ_CHECK(ScriptText(inst) == text);
}

void CheckLevels(const CNamedObjectList& list) {
    for (const auto& item : list) {
        std::int32_t level = 0;
        if (const auto* event = dynamic_cast<const CDASEvent*>(item.get()))
            level = event->GetLevel();
        else if (const auto* point = dynamic_cast<const CDASPoint*>(item.get()))
            level = point->GetLevel();
        TALVEN_FUZZ_CHECK(level == dlevel::kLow || level == dlevel::kMed || level == dlevel::kHigh);
    }
}

// A script file: all or nothing, and a failure names the offending token.
void LoadFile(DlogInstrumentData& inst, const std::string& text) {
    auto keep = std::make_unique<CDASChannel>(&inst);
    keep->SetName("KEEP");
    const CNamedObject* kept = keep.get();
    inst.DlogChannels().Append(std::move(keep));
    const fuzz::MemoryFile file(text);
    const DlogFileResult result = LoadDlogScriptFile(file.Path(), inst);
    if (!result.ok) {
        TALVEN_FUZZ_CHECK(!result.message.empty());
        TALVEN_FUZZ_CHECK(inst.DlogChannels().size() == 1 && inst.DlogChannels().at(0) == kept);
        return;
    }
    TALVEN_FUZZ_CHECK(result.message.empty());
    CheckScriptRoundTrip(inst);
}

// A configuration reply in script or report form; what it gives must survive as a script.
void ReadReply(DlogInstrumentData& inst, const std::string& text, bool scriptForm, bool requireEndAfter) {
    TextTokens reply(text);
    CNamedObjectList channels;
    int steps = 0;
    const bool ok =
        ReadConfigurationReply(reply.ts(), inst, scriptForm, requireEndAfter, channels, [&] { ++steps; });
    TALVEN_FUZZ_CHECK(steps == static_cast<int>(channels.size()));
    if (!ok)
        return;
    ApplyTransferredConfiguration(inst, &channels);
    TALVEN_FUZZ_CHECK(!inst.IsDlogModified());
    CheckScriptRoundTrip(inst);
}

void ReadList(DlogInstrumentData& inst, const std::string& text, bool events) {
    CNamedObjectList& list = events ? inst.DlogEvents() : inst.DlogPoints();
    const CNamedObject* first = list.at(0);
    inst.SetNetworkModified(false);
    TextTokens reply(text);
    const bool ok = events ? ApplyEventsReply(reply.ts(), inst) : ApplyPointsReply(reply.ts(), inst);
    TALVEN_FUZZ_CHECK(ok == inst.IsNetworkModified());
    if (!ok)
        TALVEN_FUZZ_CHECK(list.size() == 2 && list.at(0) == first);
    CheckLevels(list);
}

// The short replies of a transfer, and the script cut into the lines it is sent as.
void ReadTransferReplies(const std::string& text) {
    TextTokens count(text);
    (void)ReadNumChannelsReply(count.ts());
    TextTokens stored(text);
    (void)ReadConfigurationStoredReply(stored.ts());
    std::string joined;
    for (const std::string& line : SplitScriptLines(text)) {
        const std::size_t feed = line.find('\n');
        TALVEN_FUZZ_CHECK(!line.empty() && (feed == std::string::npos || feed + 1 == line.size()));
        joined += line;
    }
    TALVEN_FUZZ_CHECK(joined == text);
}

}  // namespace
}  // namespace talven

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace talven;
    if (size < 1)
        return 0;
    const unsigned choice = data[0];
    const std::string text = fuzz::Rest(data, size);
    auto inst = MakeInstrument(choice >> 4);
    switch (choice % 7) {
        case 0:
            LoadFile(*inst, text);
            break;
        case 1:
        case 2:
            ReadReply(*inst, text, true, (choice % 7) == 1);
            break;
        case 3:
            ReadReply(*inst, text, false, false);
            break;
        case 4:
            ReadList(*inst, text, true);
            break;
        case 5:
            ReadList(*inst, text, false);
            break;
        default:
            ReadTransferReplies(text);
            break;
    }
    return 0;
}
