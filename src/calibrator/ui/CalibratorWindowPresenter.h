#pragma once
// What the two calibrator windows (sequences and level table) share: the instrument's calibrator
// data, the way to its session, the transfer running for the window with its status text and
// progress, and the title.
//
// User-interface thread only. The session's worker reports through notifications (1031 to 1036)
// that the window hands to OnNotification.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Notifier.h"

namespace talven {

class CCalibratorTransferRequest;
class CInstrumentConnectedNode;
class CThreadMessage;
class ICalibratorInstrument;

/// What a calibrator window needs of its instrument's session.
class CalibratorLink {
  public:
    virtual ~CalibratorLink() = default;
    /// The instrument's link is open.
    virtual bool IsConnected() const = 0;
    /// The node the requests are made for; null when there is none.
    virtual CInstrumentConnectedNode* Node() const = 0;
    /// Queues a request on the instrument's worker; false when the session took none (the request
    /// is then deleted, which reports its failure to the window).
    virtual bool Post(std::unique_ptr<CThreadMessage> request) = 0;
    /// The user worked with the instrument: the automatic disconnect starts counting again.
    virtual void NoteActivity() {}
};
/// The node's own session.
std::unique_ptr<CalibratorLink> MakeSessionLink(CInstrumentConnectedNode& node);

/// The transfer a window runs: busy while it goes, its status text, and the progress bar's range
/// and position as the worker reports them.
class CalibratorTransfer {
  public:
    enum class Kind { None, Download, Send };
    struct Ended {
        Kind kind = Kind::None;  // None: nothing ended
        bool ok = false;
    };

    void Begin(Kind kind, std::string status);
    /// 1031 sets the range (and starts the bar again), 1032 advances it, 1033 to 1036 end the
    /// transfer of that direction. Codes of no transfer of this window are ignored.
    Ended OnNotification(int code, std::uintptr_t wParam);

    bool IsBusy() const { return kind_ != Kind::None; }
    Kind Running() const { return kind_; }
    const std::string& Status() const { return status_; }
    int Range() const { return range_; }
    int Position() const { return position_; }

  private:
    Kind kind_ = Kind::None;
    std::string status_;
    int range_ = 0;
    int position_ = 0;
};

class CalibratorWindowPresenter {
  public:
    /// instrument: the node's calibrator data, shared with the requests this window posts.
    CalibratorWindowPresenter(std::shared_ptr<ICalibratorInstrument> instrument,
                              std::unique_ptr<CalibratorLink> link);
    virtual ~CalibratorWindowPresenter();

    /// The handle the worker reports this window's transfers to.
    void SetNotifyTarget(NotifyTarget target) { target_ = target; }
    /// Where the option to confirm deleting items is read (on by default).
    void SetConfirmDeletes(std::function<bool()> source) { confirmDeletes_ = std::move(source); }

    /// The window's title; here "%s at %s", the instrument's name and the name of the site or
    /// multiplexor above it.
    virtual std::string Title() const;
    ICalibratorInstrument& Instrument() const { return *instrument_; }
    bool IsConnected() const;

    bool IsBusy() const { return transfer_.IsBusy(); }
    const std::string& StatusText() const { return transfer_.Status(); }
    int ProgressRange() const { return transfer_.Range(); }
    int ProgressPosition() const { return transfer_.Position(); }

    /// A notification for this window. True when the window must be redrawn.
    bool OnNotification(int code, std::uintptr_t wParam);

  protected:
    /// Begins the transfer and posts the request for it.
    void StartTransfer(CalibratorTransfer::Kind kind, int statusMessage,
                       std::unique_ptr<CCalibratorTransferRequest> request);
    /// The transfer ended (after the window left its busy state).
    virtual void TransferEnded(CalibratorTransfer::Kind kind, bool ok) = 0;
    bool ConfirmDeletes() const { return confirmDeletes_ ? confirmDeletes_() : true; }
    CInstrumentConnectedNode* Node() const { return link_->Node(); }
    NotifyTarget Target() const { return target_; }
    /// The configuration file the instrument belongs to holds the calibrator lists: an edit
    /// makes it modified, so that leaving the program asks to save it.
    static void MarkEdited();

  private:
    std::shared_ptr<ICalibratorInstrument> instrument_;
    std::unique_ptr<CalibratorLink> link_;
    NotifyTarget target_ = 0;
    std::function<bool()> confirmDeletes_;
    CalibratorTransfer transfer_;
};

}  // namespace talven
