#pragma once
// The site record of older configuration files: a site that held the one link of all its
// instruments. It is only ever read, to convert such files into sites, multiplexors and
// instrument nodes.

#include <cstdint>
#include <memory>

#include "foundation/NamedObject.h"

namespace talven {

class CConnection;

class CSiteConnection : public CNamedObject {
  public:
    static constexpr std::uint16_t kSchema = 7;

    /// Named "Local Site", a fresh id and a default serial link.
    CSiteConnection();
    ~CSiteConnection() override;
    const char* GetRuntimeClass() const override { return "CSiteConnection"; }
    /// Loads schemas 7, 6, 5, 3, 2 and 1 (any other fails the archive); stores schema 7.
    void Serialize(ObjectArchive& ar) override;
    /// Name, expanded flag and a clone of the link; a fresh id.
    std::unique_ptr<CNamedObject> Clone() const override;

    CConnection* GetConnection() const { return connection_.get(); }
    bool IsExpanded() const { return expanded_; }
    /// A link over TCP on a port other than 3000 and 502 was a multiplexor.
    bool IsMultiplexor() const;

  private:
    CSiteConnection(const CSiteConnection& other);
    bool ReadConnectionObject(ObjectArchive& ar);
    void ReadFlatRecord(ObjectArchive& ar, std::uint32_t schema);

    std::unique_ptr<CConnection> connection_;
    bool expanded_ = false;
};

}  // namespace talven
