#include "calibrator/CalibratorRequests.h"

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/SequenceScript.h"
#include "foundation/DataLock.h"
#include "session/InstrumentSession.h"
#include "session/SessionExchange.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

namespace {

/// Progress of a download, posted to the requesting window.
class WindowProgress : public CalibratorTransferProgress {
  public:
    WindowProgress(SessionExchange& exchange, NotifyTarget window) : exchange_(exchange), window_(window) {}
    void SetRange(int count) override {
        exchange_.PostToWindow(window_, wm::kTransferStart,
                               static_cast<std::uintptr_t>(count < 0 ? 0 : count));
    }
    void Advance() override { exchange_.PostToWindow(window_, wm::kTransferStep); }

  private:
    SessionExchange& exchange_;
    NotifyTarget window_;
};

template <class ReadReply>
bool ReadNamesTable(SessionExchange& exchange, const char* command, ReadReply readReply) {
    SessionExchange::UseBracket use(exchange);
    CommInstrumentTokenStream* stream = exchange.GetStream();
    if (stream == nullptr || !exchange.SendCommand(command, ""))
        return false;
    stream->StartNewLine();
    if (!readReply(*stream))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

/// With the capability "p", the gas and unit names (and, for sequences, the target flow) come
/// first, one progress step each; each is tried only when the one before it worked.
bool ReadDescriptorTables(SessionExchange& exchange, ICalibratorInstrument& calibrator, NotifyTarget window,
                          bool targetFlow) {
    if (!ReadGasNames(exchange, calibrator))
        return false;
    exchange.PostToWindow(window, wm::kTransferStep);
    if (!ReadUnitNames(exchange, calibrator))
        return false;
    exchange.PostToWindow(window, wm::kTransferStep);
    if (targetFlow) {
        if (!exchange.ReadTargetFlow())
            return false;
        exchange.PostToWindow(window, wm::kTransferStep);
    }
    return true;
}

}  // namespace

bool ReadGasNames(SessionExchange& exchange, ICalibratorInstrument& calibrator) {
    return ReadNamesTable(exchange, "getgasnames",
                          [&](TokenStream& ts) { return ReadGasNamesReply(ts, calibrator); });
}

bool ReadUnitNames(SessionExchange& exchange, ICalibratorInstrument& calibrator) {
    return ReadNamesTable(exchange, "getunitnames",
                          [&](TokenStream& ts) { return ReadUnitNamesReply(ts, calibrator); });
}

CCalibratorTransferRequest::CCalibratorTransferRequest(CInstrumentConnectedNode* node,
                                                       ICalibratorInstrument* calibrator, NotifyTarget window,
                                                       bool download)
    : CTransferRequest(node, window, download ? wm::kDownloadDone : wm::kSendDone,
                       download ? wm::kDownloadFailed : wm::kSendFailed, download),
      calibrator_(calibrator),
      failureCode_(download ? wm::kDownloadFailed : wm::kSendFailed) {}

CCalibratorTransferRequest::~CCalibratorTransferRequest() {
    if (!HasRun())
        GetNotifier().Post(GetWindow(), failureCode_, 0, 0);
}

bool CThreadMessageRequestSequenceConfig::Transfer(SessionExchange& exchange) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (exchange.HasCapability(capability::kGasNames)) {
        exchange.PostToWindow(GetWindow(), wm::kTransferStart, 102);
        ReadDescriptorTables(exchange, calibrator, GetWindow(), true);
    } else {
        exchange.PostToWindow(GetWindow(), wm::kTransferStart, 100);
    }
    CommInstrumentTokenStream* stream = exchange.GetStream();
    if (stream == nullptr || !exchange.SendCommand("c", "print script"))
        return false;
    stream->StartNewLine();
    WindowProgress progress(exchange, GetWindow());
    // A failed download keeps the list the window shows; only a whole list replaces it.
    if (!ReadSequenceDownload(*stream, calibrator, &progress))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

bool CThreadMessageSendSequenceConfig::Transfer(SessionExchange& exchange) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (!exchange.SendScript(SequenceSendText(calibrator), tok::kSequenceConfigStored, GetWindow()))
        return false;
    calibrator.SetSequenceConfigModified(false);
    return true;
}

bool CThreadMessageRequestLevelTable::Transfer(SessionExchange& exchange) {
    ICalibratorInstrument& calibrator = Calibrator();
    if (exchange.HasCapability(capability::kGasNames)) {
        exchange.PostToWindow(GetWindow(), wm::kTransferStart, 2);
        ReadDescriptorTables(exchange, calibrator, GetWindow(), false);
    }
    CommInstrumentTokenStream* stream = exchange.GetStream();
    if (stream == nullptr || !exchange.SendCommand("c", LevelTableRequestArgument(calibrator)))
        return false;
    stream->StartNewLine();
    WindowProgress progress(exchange, GetWindow());
    if (!ReadLevelTableDownload(*stream, calibrator, &progress))
        return false;
    CInstrumentSession::MarkNetworkModified();
    return true;
}

bool CThreadMessageSendLevelTable::Transfer(SessionExchange& exchange) {
    ICalibratorInstrument& calibrator = Calibrator();
    const LevelSendForm form = MakeLevelSendForm(calibrator);
    exchange.PostToWindow(GetWindow(), wm::kTransferStart, form.lines.size());
    exchange.Session().FlushInput();
    if (!exchange.SendCommand("c", form.opening))
        return false;
    for (const std::string& line : form.lines) {
        if (!exchange.SendPlainText(line + "\r\n"))
            return false;
        exchange.PostToWindow(GetWindow(), wm::kTransferStep);
        exchange.TransmitDelay();
    }
    if (!form.closing.empty() && !exchange.SendPlainText(form.closing + "\r\n"))
        return false;
    if (!exchange.AwaitConfirmation(tok::kLevelTableStored))
        return false;
    calibrator.SetLevelTableModified(false);
    return true;
}

}  // namespace talven
