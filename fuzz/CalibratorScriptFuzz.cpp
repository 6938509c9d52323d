// Any text as the calibrator's scripts and tables in every form the program reads: sequence
// script files and downloads, level table files and downloads (in the instrument's variant), and
// the gas and unit name replies. The first byte chooses the form and the instrument.
//
// Checks: what a reader accepts writes out to a text that reads back to the same text (for the
// gas and unit tables: a sequence generating every gas or unit read); a failed file load leaves
// an empty list and a message; a failed download or reply keeps the previous list; progress
// advances once per item read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "calibrator/CalibratorInstrument.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "calibrator/SequenceScript.h"
#include "calibrator/Step.h"

namespace talven {
namespace {

using fuzz::TextTokens;

class CountingProgress : public CalibratorTransferProgress {
  public:
    void SetRange(int count) override { range = count; }
    void Advance() override { ++steps; }
    int range = -1;
    int steps = 0;
};

// Level table variants 2 ('j'), 1 ('g') and 0; DURATION with 'u'.
std::unique_ptr<CCalibratorData> MakeInstrument(unsigned choice) {
    static const char* const kCapabilities[] = {"csuqlbgjpAB!@%*#$", "csqlbgpA!@%*#$", "csul!@%*#$"};
    auto inst = std::make_unique<CCalibratorData>("Cal", kCapabilities[choice % 3]);
    inst->SetSerialNumber("2207");
    return inst;
}

// Numbers are read as doubles and kept as floats without a range test, so a number beyond single
// precision is kept as infinity, which the text form cannot carry back ("inf"). The round trips
// below hold for every finite value.
bool HoldsInfinity(const std::string& text) {
    for (std::size_t at = text.find("inf"); at != std::string::npos; at = text.find("inf", at + 1)) {
        const bool startsWord = at == 0 || text[at - 1] == ' ' || text[at - 1] == '-';
        const bool endsWord = at + 3 == text.size() || text[at + 3] == ' ' || text[at + 3] == '\r';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

// A reader's sequences, written as a file is, read back to sequences that write the same text.
void CheckSequenceRoundTrip(CCalibratorData& inst) {
    const std::string text = SequenceListText(inst, SequenceFileFlags());
    if (HoldsInfinity(text))
        return;
    TextTokens again(text, true);
    CNamedObjectList reread;
    TALVEN_FUZZ_CHECK(ReadSequenceList(again.ts(), &inst, reread));
    TALVEN_FUZZ_CHECK(reread.size() == inst.SequenceList().size());
    inst.SequenceList().swap(reread);
    TALVEN_FUZZ_CHECK(SequenceListText(inst, SequenceFileFlags()) == text);
}

void CheckLevelFileRoundTrip(CCalibratorData& inst) {
    const std::string text = LevelTableFileText(inst);
    if (HoldsInfinity(text))
        return;
    TextTokens again(text, true);
    CNamedObjectList reread;
    TALVEN_FUZZ_CHECK(ReadLevelTableFile(again.ts(), &inst, reread));
    TALVEN_FUZZ_CHECK(reread.size() == inst.LevelList().size());
    inst.LevelList().swap(reread);
    TALVEN_FUZZ_CHECK(LevelTableFileText(inst) == text);
}

// What the instrument would answer to the table request if it held the levels just read.
std::string LevelReplyOf(ICalibratorInstrument& inst) {
    const LevelSendForm form = MakeLevelSendForm(inst);
    const bool framed = inst.HasCapability(capability::kLevelTableActions);
    std::string reply =
        framed ? "C 0 LEVELTABLEBEGIN\r\n" : "C 0 LEVELTABLE " + std::to_string(form.lines.size()) + "\r\n";
    for (const std::string& line : form.lines)
        reply += line + "\r\n";
    if (framed)
        reply += "LEVELTABLEEND\r\n";
    return reply;
}

void LoadSequences(CCalibratorData& inst, const std::string& text) {
    inst.SetSequenceConfigModified(true);
    const fuzz::MemoryFile file(text);
    const CalFileResult result = LoadSequenceFile(inst, file.Path());
    TALVEN_FUZZ_CHECK(!inst.IsSequenceConfigModified());
    TALVEN_FUZZ_CHECK(result.ok == result.message.empty());
    if (!result.ok) {
        TALVEN_FUZZ_CHECK(inst.SequenceList().empty());
        return;
    }
    CheckSequenceRoundTrip(inst);
}

void DownloadSequences(CCalibratorData& inst, const std::string& text) {
    auto old = std::make_unique<CSequence>(&inst);
    const CNamedObject* kept = old.get();
    inst.SequenceList().Append(std::move(old));
    inst.SetSequenceConfigModified(true);
    TextTokens reply(text, true);
    CountingProgress progress;
    if (!ReadSequenceDownload(reply.ts(), inst, &progress)) {
        TALVEN_FUZZ_CHECK(inst.SequenceList().size() == 1 && inst.SequenceList().at(0) == kept);
        TALVEN_FUZZ_CHECK(inst.IsSequenceConfigModified());
        return;
    }
    TALVEN_FUZZ_CHECK(!inst.IsSequenceConfigModified());
    TALVEN_FUZZ_CHECK(progress.steps == static_cast<int>(inst.SequenceList().size()));
    CheckSequenceRoundTrip(inst);
}

void LoadLevels(CCalibratorData& inst, const std::string& text) {
    inst.SetLevelTableModified(true);
    const fuzz::MemoryFile file(text);
    const CalFileResult result = LoadLevelTableFile(inst, file.Path());
    TALVEN_FUZZ_CHECK(!inst.IsLevelTableModified());
    TALVEN_FUZZ_CHECK(result.ok == result.message.empty());
    if (!result.ok) {
        TALVEN_FUZZ_CHECK(inst.LevelList().empty());
        return;
    }
    CheckLevelFileRoundTrip(inst);
}

void DownloadLevels(CCalibratorData& inst, const std::string& text) {
    auto old = std::make_unique<CLevel>(&inst);
    old->SetNumber(50);
    const CNamedObject* kept = old.get();
    inst.LevelList().Append(std::move(old));
    inst.SetLevelTableModified(true);
    TextTokens reply(text, true);
    CountingProgress progress;
    if (!ReadLevelTableDownload(reply.ts(), inst, &progress)) {
        TALVEN_FUZZ_CHECK(inst.LevelList().size() == 1 && inst.LevelList().at(0) == kept);
        TALVEN_FUZZ_CHECK(inst.IsLevelTableModified());
        return;
    }
    TALVEN_FUZZ_CHECK(!inst.IsLevelTableModified());
    TALVEN_FUZZ_CHECK(progress.steps == static_cast<int>(inst.LevelList().size()));
    const std::vector<std::string> lines = MakeLevelSendForm(inst).lines;
    if (HoldsInfinity(LevelReplyOf(inst)))
        return;
    TextTokens again(LevelReplyOf(inst), true);
    TALVEN_FUZZ_CHECK(ReadLevelTableDownload(again.ts(), inst, nullptr));
    TALVEN_FUZZ_CHECK(MakeLevelSendForm(inst).lines == lines);
}

// A sequence that generates every gas (or in every unit) the reply gave, by id as the step
// dialogs offer them, must write and read back to the same text. Steps keep ids and texts name
// gases and units, so an instrument table naming two entries alike, or numbering them alike,
// reaches only the first of them; entries that their id and their name both find are used. Id 0
// stands for "none" in a quantity's text, so an entry numbered 0 cannot be named by it.
void CheckTableInSequence(CCalibratorData& inst, bool gases) {
    const CNamedObjectList& table = gases ? inst.GasList() : inst.UnitList();
    auto sequence = std::make_unique<CSequence>(&inst);
    sequence->SetName("TABLE");
    for (const auto& item : table) {
        if (!sequence->CanAddStep())
            break;
        const std::uint32_t id = item->GetId();
        const CNamedObject* byId =
            gases ? static_cast<const CNamedObject*>(FindGasById(&inst, id)) : FindUnitById(&inst, id);
        const CNamedObject* byName =
            gases ? static_cast<const CNamedObject*>(FindGasByName(&inst, item->GetName()))
                  : FindUnitByName(&inst, item->GetName());
        if (id == 0 || byId != item.get() || byName != item.get())
            continue;
        auto step = std::make_unique<CStepGenerate>();
        GenerateFields fields;
        fields.concentration = 40.0f;
        fields.gasId = gases ? id : gas::kNO;
        fields.unitId = gases ? unit::kPPB : id;
        step->Set(fields);
        sequence->AppendStep(std::move(step));
    }
    inst.SequenceList().Append(std::move(sequence));
    CheckSequenceRoundTrip(inst);
}

void ReadTable(CCalibratorData& inst, const std::string& text, bool gases) {
    CNamedObjectList& table = gases ? inst.GasList() : inst.UnitList();
    if (gases)
        table.Append(std::make_unique<CGasDesc>("OLD", 150, 1.0f));
    else
        table.Append(std::make_unique<CUnitDesc>("OLD", 250, 1));
    const CNamedObject* kept = table.at(0);
    TextTokens reply(text, true);
    const bool ok = gases ? ReadGasNamesReply(reply.ts(), inst) : ReadUnitNamesReply(reply.ts(), inst);
    if (!ok) {
        TALVEN_FUZZ_CHECK(table.size() == 1 && table.at(0) == kept);
        return;
    }
    CheckTableInSequence(inst, gases);
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
    switch (choice % 6) {
        case 0:
            LoadSequences(*inst, text);
            break;
        case 1:
            DownloadSequences(*inst, text);
            break;
        case 2:
            LoadLevels(*inst, text);
            break;
        case 3:
            DownloadLevels(*inst, text);
            break;
        case 4:
            ReadTable(*inst, text, true);
            break;
        default:
            ReadTable(*inst, text, false);
            break;
    }
    return 0;
}
