#include "calibrator/CalibratorClasses.h"

#include <vector>

#include "calibrator/GasUnitDesc.h"
#include "calibrator/Level.h"
#include "calibrator/Sequence.h"
#include "foundation/DataLock.h"
#include "network/ClassRegistry.h"
#include "network/InstrumentNode.h"

namespace talven {

namespace {

template <class T>
std::unique_ptr<SerialObject> Make() {
    return std::make_unique<T>();
}

void SetOwner(CNamedObjectList& sequences, CNamedObjectList& levels, ICalibratorInstrument* instrument) {
    DataGuard guard;
    for (const auto& item : sequences) {
        if (auto* sequence = dynamic_cast<CSequence*>(item.get()))
            sequence->SetInstrument(instrument);
    }
    for (const auto& item : levels) {
        if (auto* level = dynamic_cast<CLevel*>(item.get()))
            level->SetInstrument(instrument);
    }
}

/// The views alive now; guarded by the data lock, which the session holds when it calls observers.
std::vector<CInstrumentCalibratorView*>& LiveViews() {
    static std::vector<CInstrumentCalibratorView*> views;
    return views;
}

class ViewResetObserver : public SessionObserver {
  public:
    void OnSessionReset(CInstrumentNode& node) override { Reset(node); }
    void OnSessionClosing(CInstrumentNode& node) override { Reset(node); }

  private:
    static void Reset(CInstrumentNode& node) {
        DataGuard guard;
        for (CInstrumentCalibratorView* view : LiveViews()) {
            if (&view->GetNode() == &node)
                view->ResetSessionState();
        }
    }
};

}  // namespace

SessionObserver& CalibratorSessionObserver() {
    static ViewResetObserver observer;
    return observer;
}

void RegisterCalibratorArchiveClasses() {
    RegisterArchiveClass("CGasDesc", 1, &Make<CGasDesc>);
    RegisterArchiveClass("CUnitDesc", 1, &Make<CUnitDesc>);
    RegisterArchiveClass("CLevel", CLevel::kSchema, &Make<CLevel>);
    RegisterArchiveClass("CSequence", CSequence::kSchema, &Make<CSequence>);
    RegisterArchiveClass("CStepGenerate", CStep::kSchema, &Make<CStepGenerate>);
    RegisterArchiveClass("CStepGPT", CStep::kSchema, &Make<CStepGPT>);
    RegisterArchiveClass("CStepGPTZ", CStep::kSchema, &Make<CStepGPTZ>);
    RegisterArchiveClass("CStepGPTPreset", CStep::kSchema, &Make<CStepGPTPreset>);
    RegisterArchiveClass("CStepManual", CStep::kSchema, &Make<CStepManual>);
    RegisterArchiveClass("CStepPurge", CStep::kSchema, &Make<CStepPurge>);
    RegisterArchiveClass("CStepStandby", CStep::kSchema, &Make<CStepStandby>);
    RegisterArchiveClass("CStepDelay", CStep::kSchema, &Make<CStepDelay>);
    RegisterArchiveClass("CStepExecSeq", CStep::kSchema, &Make<CStepExecSeq>);
    RegisterArchiveClass("CStepSelDiluent", CStep::kSchema, &Make<CStepSelDiluent>);
    RegisterArchiveClass("CStepSelOutput", CStep::kSchema, &Make<CStepSelOutput>);
    RegisterArchiveClass("CStepCCOutput", CStep::kSchema, &Make<CStepCCOutput>);
    RegisterArchiveClass("CStepLevel", CStep::kSchema, &Make<CStepLevel>);
    RegisterArchiveClass("CStepStatusBlock", CStep::kSchema, &Make<CStepStatusBlock>);
}

void AttachCalibratorLists(ICalibratorInstrument& instrument) {
    SetOwner(instrument.SequenceList(), instrument.LevelList(), &instrument);
}

CInstrumentCalibratorView::CInstrumentCalibratorView(CInstrumentNode& node) : node_(node) {
    DataGuard guard;
    AttachCalibratorLists(*this);
    LiveViews().push_back(this);
}

CInstrumentCalibratorView::~CInstrumentCalibratorView() {
    DataGuard guard;
    std::erase(LiveViews(), this);
    SetOwner(SequenceList(), LevelList(), nullptr);
}

CNamedObjectList& CInstrumentCalibratorView::GasList() {
    return node_.GetList(kGases);
}
CNamedObjectList& CInstrumentCalibratorView::UnitList() {
    return node_.GetList(kUnits);
}
CNamedObjectList& CInstrumentCalibratorView::LevelList() {
    return node_.GetList(kLevels);
}
CNamedObjectList& CInstrumentCalibratorView::SequenceList() {
    return node_.GetList(kSequences);
}

std::string CInstrumentCalibratorView::GetCapabilities() const {
    return node_.GetIdentity().capabilities;
}

int CInstrumentCalibratorView::GetModelFamily() const {
    return static_cast<int>(node_.GetIdentity().modelFamily);
}

std::string CInstrumentCalibratorView::GetInstrumentName() const {
    return node_.GetName();
}

std::string CInstrumentCalibratorView::GetSerialNumber() const {
    return node_.GetIdentity().serialNumber;
}

void CInstrumentCalibratorView::ResetSessionState() {
    SetSequenceConfigModified(false);
}

bool CInstrumentCalibratorView::IsSequenceConfigModified() const {
    DataGuard guard;
    return sequencesModified_;
}

void CInstrumentCalibratorView::SetSequenceConfigModified(bool modified) {
    DataGuard guard;
    sequencesModified_ = modified;
}

bool CInstrumentCalibratorView::IsLevelTableModified() const {
    DataGuard guard;
    return levelsModified_;
}

void CInstrumentCalibratorView::SetLevelTableModified(bool modified) {
    DataGuard guard;
    levelsModified_ = modified;
}

}  // namespace talven
