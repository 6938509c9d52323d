#pragma once
// A Hayes modem's AT commands and expected responses, kept in the configuration's modems list.
// Modem links refer to one by id, so renaming a modem keeps its links.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/NamedObject.h"

namespace talven {

class TokenStream;

class CModemSettings : public CNamedObject {
  public:
    static constexpr std::uint32_t kSchema = 7;
    /// Size of the fixed command record of schemas 2 to 4.
    static constexpr std::size_t kOldRecordSize = 560;

    /// Name "Standard" and a fresh id.
    CModemSettings();
    const char* GetRuntimeClass() const override { return "CModemSettings"; }
    /// Stores schema 7: name, id, then dial prefix, escape, hang-up, initialisation, reset, OK
    /// response, connect response. Loads schemas 7, 6, 4, 3 and 2; any other fails the archive.
    void Serialize(ObjectArchive& ar) override;
    /// A deep copy keeping the id (the modems dialog's Duplicate gives the copy a fresh id).
    std::unique_ptr<CNamedObject> Clone() const override;
    /// Reads a modem block of the configuration text: the current token is MODEM_NAME; "=" and a
    /// string give the name, then the modem keywords follow until a token that is none of them
    /// (left as the current token). A syntax error is recorded in the stream; false then.
    bool ReadConfig(TokenStream& stream);
    /// The keyword of the first text the configuration text cannot hold, or empty.
    std::string GetUnwritableConfigField() const;
    /// Appends the configuration-text block of this modem (starts with an empty line).
    void WriteConfig(std::string& out) const;

    std::string GetDialPrefix() const;
    void SetDialPrefix(std::string text);
    std::string GetEscape() const;
    void SetEscape(std::string text);
    std::string GetHangUp() const;
    void SetHangUp(std::string text);
    std::string GetInitialization() const;
    void SetInitialization(std::string text);
    std::string GetReset() const;
    void SetReset(std::string text);
    std::string GetOkResponse() const;
    void SetOkResponse(std::string text);
    std::string GetConnectResponse() const;
    void SetConnectResponse(std::string text);
    /// Open modem links using this modem (not stored).
    int GetInUseCount() const;
    void AddInUse();
    /// Subtracts one while positive.
    void ReleaseInUse();

    /// The eight texts of the modem properties dialog all non-empty.
    bool HasAllStrings() const;

  private:
    CModemSettings(const CModemSettings& other);
    void ReadOldRecord(ObjectArchive& ar, bool takeName);

    std::string dialPrefix_ = "ATDT";
    std::string escape_ = "+++";
    std::string hangUp_ = "ATH0";
    std::string initialization_ = "AT &F E0 M0 Q0 V1";
    std::string reset_ = "ATZ";
    std::string okResponse_ = "OK";
    std::string connectResponse_ = "CONNECT";
    int inUseCount_ = 0;
};

}  // namespace talven
