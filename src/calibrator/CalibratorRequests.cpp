#include "calibrator/CalibratorRequests.h"

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/SequenceScript.h"
#include "foundation/DataLock.h"
#include "session/InstrumentSession.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

/// Progress of a download, posted to the requesting window.
class WindowProgress : public TransferProgress {
  public:
    WindowProgress(CInstrumentSession& session, NotifyTarget window) : session_(session), window_(window) {}
    void SetRange(int count) override {
        session_.PostToWindow(window_, wm::kTransferStart,
                              static_cast<std::uintptr_t>(count < 0 ? 0 : count));
    }
    void Advance() override { session_.PostToWindow(window_, wm::kTransferStep); }

  private:
    CInstrumentSession& session_;
    NotifyTarget window_;
};

template <class ReadReply>
bool ReadNamesTable(CInstrumentSession& session, const char* command, ReadReply readReply) {
    CInstrumentSession::UseBracket use(session);
    CommInstrumentTokenStream* stream = session.GetStream();
    if (stream == nullptr || !session.SendCommand(command, ""))
        return false;
    stream->StartNewLine();
    if (!readReply(*stream))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

/// With the capability "p", the gas and unit names (and, for sequences, the target flow) come
/// first, one progress step each; each is tried only when the one before it worked.
bool ReadDescriptorTables(CInstrumentSession& session, ICalibratorInstrument& calibrator, NotifyTarget window,
                          bool targetFlow) {
    if (!ReadGasNames(session, calibrator))
        return false;
    session.PostToWindow(window, wm::kTransferStep);
    if (!ReadUnitNames(session, calibrator))
        return false;
    session.PostToWindow(window, wm::kTransferStep);
    if (targetFlow) {
        if (!session.ReadTargetFlow())
            return false;
        session.PostToWindow(window, wm::kTransferStep);
    }
    return true;
}

}  // namespace

bool ReadGasNames(CInstrumentSession& session, ICalibratorInstrument& calibrator) {
    return ReadNamesTable(session, "getgasnames",
                          [&](TokenStream& ts) { return ReadGasNamesReply(ts, calibrator); });
}

bool ReadUnitNames(CInstrumentSession& session, ICalibratorInstrument& calibrator) {
    return ReadNamesTable(session, "getunitnames",
                          [&](TokenStream& ts) { return ReadUnitNamesReply(ts, calibrator); });
}

CCalibratorTransferRequest::CCalibratorTransferRequest(CInstrumentConnectedNode* node,
                                                       ICalibratorInstrument* calibrator, NotifyTarget window,
                                                       bool download)
    : CTransferRequest(node, window, download ? wm::kDownloadDone : wm::kSendDone,
                       download ? wm::kDownloadFailed : wm::kSendFailed, download),
      calibrator_(calibrator) {}

bool CThreadMessageRequestSequenceConfig::Transfer(CInstrumentSession& session) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (session.HasCapability(capability::kGasNames)) {
        session.PostToWindow(GetWindow(), wm::kTransferStart, 102);
        ReadDescriptorTables(session, calibrator, GetWindow(), true);
    } else {
        session.PostToWindow(GetWindow(), wm::kTransferStart, 100);
    }
    CommInstrumentTokenStream* stream = session.GetStream();
    if (stream == nullptr || !session.SendCommand("c", "print script"))
        return false;
    stream->StartNewLine();
    WindowProgress progress(session, GetWindow());
    // A failed download keeps the list the window shows; only a whole list replaces it.
    if (!ReadSequenceDownload(*stream, calibrator, &progress))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

bool CThreadMessageSendSequenceConfig::Transfer(CInstrumentSession& session) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (!session.SendScript(SequenceSendText(calibrator), tok::kSequenceConfigStored, GetWindow()))
        return false;
    calibrator.SetSequenceConfigModified(false);
    return true;
}

bool CThreadMessageRequestLevelTable::Transfer(CInstrumentSession& session) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (session.HasCapability(capability::kGasNames)) {
        session.PostToWindow(GetWindow(), wm::kTransferStart, 2);
        ReadDescriptorTables(session, calibrator, GetWindow(), false);
    }
    CommInstrumentTokenStream* stream = session.GetStream();
    if (stream == nullptr || !session.SendCommand("c", LevelTableRequestArgument(calibrator)))
        return false;
    stream->StartNewLine();
    WindowProgress progress(session, GetWindow());
    if (!ReadLevelTableDownload(*stream, calibrator, &progress))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

bool CThreadMessageSendLevelTable::Transfer(CInstrumentSession& session) {
    ICalibratorInstrument& calibrator = Calibrator();
    const LevelSendForm form = MakeLevelSendForm(calibrator);
    session.PostToWindow(GetWindow(), wm::kTransferStart, form.lines.size());
    session.FlushInput();
    if (!session.SendCommand("c", form.opening))
        return false;
    for (const std::string& line : form.lines) {
        if (!session.SendPlainText(line + "\r\n"))
            return false;
        session.PostToWindow(GetWindow(), wm::kTransferStep);
        session.TransmitDelay();
    }
    if (!form.closing.empty() && !session.SendPlainText(form.closing + "\r\n"))
        return false;
    if (!session.AwaitConfirmation(tok::kLevelTableStored))
        return false;
    calibrator.SetLevelTableModified(false);
    return true;
}

}  // namespace talven
