#include "foundation/ArchiveStream.h"

#include <gtest/gtest.h>

#include "foundation/NamedObject.h"

namespace talven {
namespace {

TEST(ArchiveStrings, lengthPrefixHasThreeForms) {
    ArchiveWriter w;
    w.WriteString("abc");
    EXPECT_EQ(w.bytes(), (std::vector<std::uint8_t>{3, 'a', 'b', 'c'}));

    ArchiveWriter w254;
    w254.WriteString(std::string(254, 'x'));
    EXPECT_EQ(w254.bytes()[0], 254);
    EXPECT_EQ(w254.size(), 255u);

    ArchiveWriter w300;
    w300.WriteString(std::string(300, 'x'));
    EXPECT_EQ(w300.bytes()[0], 0xFF);
    EXPECT_EQ(w300.bytes()[1], 300 & 0xFF);
    EXPECT_EQ(w300.bytes()[2], 300 >> 8);
    EXPECT_EQ(w300.size(), 303u);

    ArchiveWriter wBig;
    wBig.WriteString(std::string(0x10000, 'y'));
    EXPECT_EQ(std::vector<std::uint8_t>(wBig.bytes().begin(), wBig.bytes().begin() + 7),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));

    for (const ArchiveWriter* src : {&w, &w254, &w300, &wBig}) {
        ArchiveReader r(src->bytes());
        const std::string s = r.ReadString();
        EXPECT_FALSE(r.failed());
        EXPECT_TRUE(r.atEnd());
        EXPECT_EQ(s.size() + (s.size() < 255 ? 1u : s.size() < 0xFFFE ? 3u : 7u), src->size());
    }
}

TEST(ArchiveValues, littleEndianRoundTripAndAnyNonZeroIsTrue) {
    ArchiveWriter w;
    w.WriteU32(0x3000D);
    w.WriteBool(true);
    w.WriteI32(-2);
    w.WriteU16(0xBEEF);
    w.WriteDouble(2.5);
    EXPECT_EQ(std::vector<std::uint8_t>(w.bytes().begin(), w.bytes().begin() + 8),
              (std::vector<std::uint8_t>{0x0D, 0x00, 0x03, 0x00, 1, 0, 0, 0}));
    ArchiveReader r(w.bytes());
    EXPECT_EQ(r.ReadU32(), 0x3000Du);
    EXPECT_TRUE(r.ReadBool());
    EXPECT_EQ(r.ReadI32(), -2);
    EXPECT_EQ(r.ReadU16(), 0xBEEF);
    EXPECT_EQ(r.ReadDouble(), 2.5);
    EXPECT_FALSE(r.failed());

    const std::vector<std::uint8_t> seven{7, 0, 0, 0};
    ArchiveReader rb(seven);
    EXPECT_TRUE(rb.ReadBool());
}

TEST(ArchiveReader, shortInputFailsAndYieldsZerosWithoutOverrun) {
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ReadU32(), 0u);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.ReadU8(), 0);  // stays failed even though a byte remains
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ArchiveReader, hugeStringLengthOnShortInputFailsWithoutAllocating) {
    const std::vector<std::uint8_t> bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ReadString(), "");
    EXPECT_TRUE(r.failed());
}

class Named : public CNamedObject {
  public:
    using CNamedObject::CNamedObject;
    const char* GetRuntimeClass() const override { return "Named"; }
    std::unique_ptr<CNamedObject> Clone() const override { return std::make_unique<Named>(*this); }
};

TEST(NamedObjectList, findsByIdAndByNameWithoutRegardToCaseAndClonesOnCopy) {
    CNamedObjectList list;
    list.Append(std::make_unique<Named>("Home", 5));
    list.Append(std::make_unique<Named>("Field", 9));
    list.Append(std::make_unique<Named>("home", 11));
    EXPECT_EQ(list.FindById(9)->GetName(), "Field");
    EXPECT_EQ(list.FindById(4), nullptr);
    EXPECT_EQ(list.FindByName("HOME")->GetId(), 5u);  // the first of two matches

    CNamedObjectList copy(list);
    ASSERT_EQ(copy.size(), 3u);
    EXPECT_NE(copy.at(0), list.at(0));
    copy.at(0)->SetName("Changed");
    EXPECT_EQ(list.at(0)->GetName(), "Home");

    auto removed = list.Remove(list.at(1));
    ASSERT_TRUE(removed);
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(list.IndexOf(removed.get()), list.size());
    list.DeleteAll();
    EXPECT_TRUE(list.empty());
}

}  // namespace
}  // namespace talven
