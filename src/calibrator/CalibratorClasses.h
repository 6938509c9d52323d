#pragma once
// How the calibrator classes join the rest of the program: their archive class records, and the
// view of a network instrument node that the calibrator model works on.

#include <string>

#include "calibrator/CalibratorInstrument.h"
#include "session/SessionEnvironment.h"

namespace talven {

class CInstrumentNode;

/// Registers CGasDesc, CUnitDesc, CLevel, CSequence and the fourteen step classes with the
/// archive's class registry. Call once at start-up before any configuration is loaded; calling
/// it again is harmless.
void RegisterCalibratorArchiveClasses();

/// Makes instrument the owner of every sequence and level in its lists (and of each level's
/// action). Needed after the lists were loaded from an archive or copied with their node, since
/// neither knows the instrument.
void AttachCalibratorLists(ICalibratorInstrument& instrument);

/// The calibrator model's view of a network instrument node: the node's gas, unit, level and
/// sequence lists, its capabilities, model family, name and serial number, and the two modified
/// marks (session state, held here). Construction attaches the node's lists to the view; the view
/// must live as long as the node's calibrator objects are used, and detaches them when destroyed.
class CInstrumentCalibratorView : public ICalibratorInstrument {
  public:
    explicit CInstrumentCalibratorView(CInstrumentNode& node);
    ~CInstrumentCalibratorView() override;
    CInstrumentCalibratorView(const CInstrumentCalibratorView&) = delete;
    CInstrumentCalibratorView& operator=(const CInstrumentCalibratorView&) = delete;

    CInstrumentNode& GetNode() const { return node_; }
    /// The connect and disconnect exchanges start and end a session with a clean sequence
    /// configuration mark (the level table mark is kept).
    void ResetSessionState();

    CNamedObjectList& GasList() override;
    CNamedObjectList& UnitList() override;
    CNamedObjectList& LevelList() override;
    CNamedObjectList& SequenceList() override;
    std::string GetCapabilities() const override;
    int GetModelFamily() const override;
    std::string GetInstrumentName() const override;
    std::string GetSerialNumber() const override;
    bool IsSequenceConfigModified() const override;
    void SetSequenceConfigModified(bool modified) override;
    bool IsLevelTableModified() const override;
    void SetLevelTableModified(bool modified) override;

  private:
    CInstrumentNode& node_;
    bool sequencesModified_ = false;
    bool levelsModified_ = false;
};

/// Clears the sequence configuration mark of every live view of a node when the node's session
/// starts afresh or closes. Install it once at start-up with AddSessionObserver.
SessionObserver& CalibratorSessionObserver();

}  // namespace talven
