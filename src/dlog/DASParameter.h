#pragma once
// A logged quantity of a DLOG channel, with the records downloaded for it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dlog/DataRecord.h"
#include "foundation/NamedObject.h"

namespace talven {

class TokenStream;
class CDASChannel;

/// Form flags of the text operations of channels and parameters.
namespace dlogform {
constexpr unsigned kScript = 1;  // the script grammar (else the instrument's printed report)
constexpr unsigned kReport = 2;  // GetText: the report listing (with kScript clear)
}  // namespace dlogform

class CParameter : public CNamedObject {
  public:
    /// Base part, units, selected flag (32-bit). Records and set number are not stored.
    void Serialize(ObjectArchive& ar) override;

    virtual bool ReadScript(TokenStream& stream, unsigned flags) = 0;
    virtual std::string GetText(unsigned flags) const = 0;

    std::string GetUnits() const;
    void SetUnits(std::string units);
    std::uint32_t GetSetNumber() const;
    void SetSetNumber(std::uint32_t set);
    bool IsSelected() const;
    void SetSelected(bool selected);

    /// The records, oldest first. Hold the data lock while using the reference.
    std::vector<CDataRecord>& Records() { return records_; }
    const std::vector<CDataRecord>& Records() const { return records_; }
    std::size_t GetRecordCount() const;
    void ClearRecords();

  protected:
    CParameter() = default;
    CParameter(const CParameter& other);

  private:
    std::string units_;
    std::vector<CDataRecord> records_;
    std::uint32_t setNumber_ = 0;
    bool selected_ = false;
};

class CDASParameter : public CParameter {
  public:
    explicit CDASParameter(CDASChannel* owner = nullptr) : owner_(owner) {}

    const char* GetRuntimeClass() const override { return "CDASParameter"; }
    /// CParameter's part, sample mode, precision, in-effect flag, configured flag.
    void Serialize(ObjectArchive& ar) override;
    /// A copy with the same owner; the records are copied too.
    std::unique_ptr<CNamedObject> Clone() const override;

    /// Stands on "PARAMETER"; on success stands on the token after the parameter. Script form
    /// (flags bit 0) or the printed report form. Units come from the instrument's data point of
    /// the same name.
    bool ReadScript(TokenStream& stream, unsigned flags) override;
    /// Script form: the "parameter" line without its line end; otherwise the label of message
    /// 61296.
    std::string GetText(unsigned flags) const override;

    CDASChannel* GetOwner() const;
    void SetOwner(CDASChannel* owner);
    std::string GetSampleMode() const;
    void SetSampleMode(std::string mode);
    std::int32_t GetPrecision() const;
    void SetPrecision(std::int32_t precision);
    /// Whether the instrument stores sample counts with this parameter now (decides the layout of
    /// binary records); the configured flag is the edited one, written to scripts.
    bool GetStoreSamplesInEffect() const;
    void SetStoreSamplesInEffect(bool on);
    bool GetStoreSamplesConfigured() const;
    void SetStoreSamplesConfigured(bool on);
    /// The channel is selected or the parameter is.
    bool CountsAsSelected() const;

  private:
    CDASParameter(const CDASParameter& other) = default;
    bool ReadScriptForm(TokenStream& stream);
    bool ReadReportForm(TokenStream& stream);
    void TakeUnitsFromPoint();

    CDASChannel* owner_ = nullptr;
    std::string sampleMode_;
    std::int32_t precision_ = 0;
    bool storeInEffect_ = false;
    bool storeConfigured_ = false;
};

}  // namespace talven
