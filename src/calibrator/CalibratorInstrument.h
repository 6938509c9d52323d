#pragma once
// What the calibrator model needs of an instrument node: its four calibrator lists (gases, units,
// levels, sequences), its capability characters and model family, the texts used in proposed file
// names, and the two modified marks. The network layer's instrument node is reached through an
// adapter that implements this; tests and the command line may use CCalibratorData directly.
//
// Thread rule: every walk or replacement of a list takes the data lock (DataGuard) for its whole
// duration; the accessors below take it for their own read or write.

#include <cstdint>
#include <string>

#include "foundation/NamedObject.h"
#include "session/Capabilities.h"

namespace talven {

class ICalibratorInstrument {
  public:
    virtual ~ICalibratorInstrument() = default;

    virtual CNamedObjectList& GasList() = 0;       // CGasDesc elements
    virtual CNamedObjectList& UnitList() = 0;      // CUnitDesc elements
    virtual CNamedObjectList& LevelList() = 0;     // CLevel elements
    virtual CNamedObjectList& SequenceList() = 0;  // CSequence elements

    virtual std::string GetCapabilities() const = 0;
    /// Model family of the identification exchange (10 = the R863 models); 0 when unknown.
    virtual int GetModelFamily() const = 0;
    virtual std::string GetInstrumentName() const = 0;
    virtual std::string GetSerialNumber() const = 0;

    virtual bool IsSequenceConfigModified() const = 0;
    virtual void SetSequenceConfigModified(bool modified) = 0;
    virtual bool IsLevelTableModified() const = 0;
    virtual void SetLevelTableModified(bool modified) = 0;

    /// True when the capability string holds c.
    bool HasCapability(char c) const;
};

/// Null-safe form: an absent instrument has no capabilities.
bool HasCapability(const ICalibratorInstrument* instrument, char c);

/// A plain holder of an instrument's calibrator data.
class CCalibratorData : public ICalibratorInstrument {
  public:
    CCalibratorData() = default;
    CCalibratorData(std::string name, std::string capabilities, int modelFamily = 0);
    CCalibratorData(const CCalibratorData&) = delete;
    CCalibratorData& operator=(const CCalibratorData&) = delete;

    CNamedObjectList& GasList() override { return gases_; }
    CNamedObjectList& UnitList() override { return units_; }
    CNamedObjectList& LevelList() override { return levels_; }
    CNamedObjectList& SequenceList() override { return sequences_; }

    std::string GetCapabilities() const override;
    void SetCapabilities(std::string capabilities);
    int GetModelFamily() const override;
    void SetModelFamily(int family);
    std::string GetInstrumentName() const override;
    std::string GetSerialNumber() const override;
    void SetSerialNumber(std::string serial);

    bool IsSequenceConfigModified() const override;
    void SetSequenceConfigModified(bool modified) override;
    bool IsLevelTableModified() const override;
    void SetLevelTableModified(bool modified) override;

  private:
    // Sequences and levels refer to the descriptor lists, so they are declared (and destroyed)
    // after them.
    CNamedObjectList gases_;
    CNamedObjectList units_;
    CNamedObjectList levels_;
    CNamedObjectList sequences_;
    std::string name_;
    std::string capabilities_;
    std::string serial_;
    int modelFamily_ = 0;
    bool sequencesModified_ = false;
    bool levelsModified_ = false;
};

/// Progress of a transfer, as the session posts it to the requesting window: a range, then one
/// step per item read.
class CalibratorTransferProgress {
  public:
    virtual ~CalibratorTransferProgress() = default;
    virtual void SetRange(int count) = 0;
    virtual void Advance() = 0;
};

}  // namespace talven
