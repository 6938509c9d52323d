#include "calibrator/SequenceScript.h"

#include <fstream>

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorMessages.h"
#include "calibrator/Sequence.h"
#include "foundation/DataLock.h"
#include "foundation/Log.h"
#include "foundation/Messages.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

std::string SequenceListText(ICalibratorInstrument& instrument, unsigned flags) {
    flags |= textflag::kScript;
    DataGuard guard;
    std::string text = "SEQLISTBEGIN\r\n";
    for (const auto& item : instrument.SequenceList())
        text += static_cast<const CSequence&>(*item).GetText(flags);
    text += "SEQLISTEND\r\n";
    return text;
}

unsigned SequenceFileFlags() {
    return textflag::kScript | textflag::kDuration;
}

unsigned SequenceSendFlags(const ICalibratorInstrument& instrument) {
    return textflag::kScript | (instrument.HasCapability(capability::kDuration) ? textflag::kDuration : 0u);
}

std::string SequenceSendText(ICalibratorInstrument& instrument) {
    return SequenceListText(instrument, SequenceSendFlags(instrument));
}

bool ReadSequenceList(TokenStream& ts, ICalibratorInstrument* instrument, CNamedObjectList& out,
                      CalibratorTransferProgress* progress) {
    if (ts.NextToken() != tok::SEQLISTBEGIN) {
        ts.RecordError();
        return false;
    }
    ts.NextToken();
    while (ts.GetTokenKind() == tok::SEQBEGIN) {
        auto sequence = std::make_unique<CSequence>(instrument);
        if (!sequence->ReadScript(ts))
            return false;
        out.Append(std::move(sequence));
        if (progress != nullptr)
            progress->Advance();
    }
    if (ts.GetTokenKind() != tok::SEQLISTEND || ts.NextToken() != kTokenEnd)
        ts.RecordError();
    return ts.GetErrorCount() == 0;
}

CalFileResult LoadSequenceFile(ICalibratorInstrument& instrument, const std::string& path) {
    CNamedObjectList read;
    const CalFileResult result = ReadScriptFile(
        path, calmsg::kUnableToLoadSequenceScript, calmsg::kSequenceScriptSyntaxError,
        [&](TokenStream& ts, CNamedObjectList& out) { return ReadSequenceList(ts, &instrument, out); }, read);
    if (!result.ok)
        read.DeleteAll();
    {
        // The user agreed to discard the list before the load, so a failed load leaves it empty.
        DataGuard guard;
        instrument.SequenceList().swap(read);
        instrument.SetSequenceConfigModified(false);
    }
    return result;
}

CalFileResult SaveSequenceFile(ICalibratorInstrument& instrument, const std::string& path) {
    const std::string text = SequenceListText(instrument, SequenceFileFlags());
    if (!ReplaceFileContents(path, text))
        return FileFailure(calmsg::kUnableToSaveSequenceConfig, path);
    instrument.SetSequenceConfigModified(false);
    return {true, {}};
}

std::string ProposedSequenceFileName(const ICalibratorInstrument& instrument) {
    return CleanFileName(FormatMessage(calmsg::kSequenceConfigFileName, instrument.GetInstrumentName(),
                                       instrument.GetSerialNumber(),
                                       MessageText(calmsg::kTextFileExtension)));
}

bool ReadSequenceDownload(TokenStream& ts, ICalibratorInstrument& instrument, CalibratorTransferProgress* progress) {
    CNamedObjectList read;
    if (!ReadSequenceList(ts, &instrument, read, progress))
        return false;
    DataGuard guard;
    instrument.SequenceList().swap(read);
    instrument.SetSequenceConfigModified(false);
    return true;
}

bool ReadSequenceSendReply(TokenStream& ts, ICalibratorInstrument& instrument) {
    if (ts.NextToken() != tok::kSequenceConfigStored)
        return false;
    instrument.SetSequenceConfigModified(false);
    return true;
}

}  // namespace talven
