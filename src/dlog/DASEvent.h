#pragma once
// What the instrument offers to the DLOG: the events a channel can trigger on and the data points
// a channel can log. Both are listed by the instrument with a number, kept as the object's id.

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/NamedObject.h"

namespace talven {

/// Level keywords, stored as their token codes (175, 176, 177): the binary configuration keeps them.
namespace dlevel {
constexpr std::int32_t kLow = 175;
constexpr std::int32_t kMed = 176;
constexpr std::int32_t kHigh = 177;
}  // namespace dlevel

class CDASEvent : public CNamedObject {
  public:
    CDASEvent() = default;
    CDASEvent(std::string name, std::uint32_t number, bool timer, std::int32_t level);

    const char* GetRuntimeClass() const override { return "CDASEvent"; }
    /// Base part, timer flag (32-bit), level (32-bit).
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    bool IsTimer() const;
    void SetTimer(bool timer);
    std::int32_t GetLevel() const;
    void SetLevel(std::int32_t level);

  private:
    bool timer_ = false;
    std::int32_t level_ = dlevel::kLow;
};

class CDASPoint : public CNamedObject {
  public:
    CDASPoint() = default;
    CDASPoint(std::string name, std::uint32_t number, std::string units, std::int32_t level);

    const char* GetRuntimeClass() const override { return "CDASPoint"; }
    /// Base part, units (text), level (32-bit).
    void Serialize(ObjectArchive& ar) override;
    std::unique_ptr<CNamedObject> Clone() const override;

    std::string GetUnits() const;
    void SetUnits(std::string units);
    std::int32_t GetLevel() const;
    void SetLevel(std::int32_t level);
    /// The name, followed by " (" units ")" when the units are not empty.
    std::string GetDisplayText() const;

  private:
    std::string units_;
    std::int32_t level_ = dlevel::kLow;
};

/// "name (units)", or the name alone when units is empty.
std::string NameWithUnits(const std::string& name, const std::string& units);

}  // namespace talven
