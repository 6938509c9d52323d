#include "calibrator/ui/CalibratorWindowPresenter.h"

#include "calibrator/CalibratorInstrument.h"
#include "calibrator/CalibratorRequests.h"
#include "foundation/DateTime.h"
#include "foundation/Messages.h"
#include "network/NetworkConfiguration.h"
#include "session/InstrumentSession.h"

namespace talven {

namespace {

class SessionLink : public CalibratorLink {
  public:
    explicit SessionLink(CInstrumentConnectedNode& node) : node_(node) {}
    bool IsConnected() const override { return node_.IsConnected(); }
    CInstrumentConnectedNode* Node() const override { return &node_; }
    bool Post(std::unique_ptr<CThreadMessage> request) override {
        return CInstrumentSession::Of(node_).PostRequest(std::move(request));
    }
    void NoteActivity() override {
        if (CInstrumentSession* session = CInstrumentSession::Find(node_))
            session->SetLastActivity(DateTime::Now());
    }

  private:
    CInstrumentConnectedNode& node_;
};

}  // namespace

std::unique_ptr<CalibratorLink> MakeSessionLink(CInstrumentConnectedNode& node) {
    return std::make_unique<SessionLink>(node);
}

void CalibratorTransfer::Begin(Kind kind, std::string status) {
    kind_ = kind;
    status_ = std::move(status);
    range_ = 0;
    position_ = 0;
}

CalibratorTransfer::Ended CalibratorTransfer::OnNotification(int code, std::uintptr_t wParam) {
    if (kind_ == Kind::None)
        return {};
    switch (code) {
        case wm::kTransferStart:
            range_ = static_cast<int>(std::min<std::uintptr_t>(wParam, 1u << 30));
            position_ = 0;
            return {};
        case wm::kTransferStep:
            if (position_ < range_)
                ++position_;
            return {};
        case wm::kDownloadDone:
        case wm::kDownloadFailed:
        case wm::kSendDone:
        case wm::kSendFailed: {
            const bool download = code == wm::kDownloadDone || code == wm::kDownloadFailed;
            if ((kind_ == Kind::Download) != download)
                return {};
            const Ended ended{kind_, code == wm::kDownloadDone || code == wm::kSendDone};
            *this = CalibratorTransfer();
            return ended;
        }
        default:
            return {};
    }
}

CalibratorWindowPresenter::CalibratorWindowPresenter(std::shared_ptr<ICalibratorInstrument> instrument,
                                                     std::unique_ptr<CalibratorLink> link)
    : instrument_(std::move(instrument)), link_(std::move(link)) {}

CalibratorWindowPresenter::~CalibratorWindowPresenter() = default;

std::string CalibratorWindowPresenter::Title() const {
    std::string parent;
    if (CInstrumentConnectedNode* node = Node()) {
        if (const CNetworkConfiguration* configuration = GetCurrentNetworkConfiguration())
            parent = configuration->ParentName(node->GetParentId());
    }
    return FormatMessage(msg::kInstrumentAtSite, instrument_->GetInstrumentName(), parent);
}

bool CalibratorWindowPresenter::IsConnected() const {
    return link_->IsConnected();
}

bool CalibratorWindowPresenter::OnNotification(int code, std::uintptr_t wParam) {
    const bool wasBusy = transfer_.IsBusy();
    const CalibratorTransfer::Ended ended = transfer_.OnNotification(code, wParam);
    if (ended.kind != CalibratorTransfer::Kind::None) {
        link_->NoteActivity();
        TransferEnded(ended.kind, ended.ok);
        return true;
    }
    return wasBusy && (code == wm::kTransferStart || code == wm::kTransferStep);
}

void CalibratorWindowPresenter::StartTransfer(CalibratorTransfer::Kind kind, int statusMessage,
                                              std::unique_ptr<CCalibratorTransferRequest> request) {
    request->KeepAlive(instrument_);
    transfer_.Begin(kind, FormatMessage(statusMessage));
    link_->NoteActivity();
    // A request the session refuses is deleted unrun and reports its failure to this window,
    // which then leaves its busy state as for any failed transfer.
    link_->Post(std::move(request));
}

void CalibratorWindowPresenter::MarkEdited() {
    CInstrumentSession::MarkNetworkModified();
}

}  // namespace talven
