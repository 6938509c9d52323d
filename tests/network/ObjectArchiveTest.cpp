#include <gtest/gtest.h>

#include <cstring>

#include "NetworkTestSupport.h"
#include "network/ClassRegistry.h"
#include "network/ObjectArchiveFile.h"

namespace talven {
namespace {

using testing::NetworkTest;

std::uint16_t U16At(const std::vector<std::uint8_t>& b, std::size_t i) {
    return static_cast<std::uint16_t>(b[i] | (b[i + 1] << 8));
}
std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t i) {
    return b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (static_cast<std::uint32_t>(b[i + 3]) << 24);
}

class ObjectArchiveTest : public NetworkTest {};

TEST_F(ObjectArchiveTest, classRecordThenClassIndexThenBackReference) {
    CSiteNode a("A", 7);
    CSiteNode b("B", 8);
    BinaryObjectArchive ar;
    ar.WriteObject(&a);
    const std::size_t second = ar.Writer().size();
    ar.WriteObject(&b);
    const std::size_t third = ar.Writer().size();
    ar.WriteObject(&a);
    ar.WriteObject(nullptr);
    const auto& bytes = ar.Writer().bytes();

    EXPECT_EQ(U16At(bytes, 0), 0xFFFF);
    EXPECT_EQ(U16At(bytes, 2), 1);  // schema of CSiteNode
    EXPECT_EQ(U16At(bytes, 4), 9);
    EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 15), "CSiteNode");
    EXPECT_EQ(U16At(bytes, second), 0x8001);  // class index 1
    EXPECT_EQ(U16At(bytes, third), 0x0002);   // A was object index 2
    EXPECT_EQ(U16At(bytes, third + 2), 0x0000);
    EXPECT_EQ(bytes.size(), third + 4);

    // Reading gives the two objects; the back reference is refused, as nothing in a file may be
    // owned twice.
    BinaryObjectArchive in(bytes.data(), bytes.size());
    auto first = in.ReadObject();
    auto next = in.ReadObject();
    ASSERT_NE(dynamic_cast<CSiteNode*>(first.get()), nullptr);
    EXPECT_EQ(static_cast<CSiteNode*>(next.get())->GetName(), "B");
    EXPECT_EQ(static_cast<CSiteNode*>(next.get())->GetId(), 8u);
    EXPECT_EQ(in.ReadObject(), nullptr);
    EXPECT_TRUE(in.failed());
}

TEST_F(ObjectArchiveTest, indexesFrom0x7FFFTakeTheLongTag) {
    CNamedObjectList list;
    for (int i = 0; i < 0x7FFE; ++i)
        list.Append(std::make_unique<CSiteNode>("s", i + 1));
    list.Append(std::make_unique<CMultiplexorNode>("m1", 1));  // class index 0x8000, object 0x8001
    list.Append(std::make_unique<CMultiplexorNode>("m2", 2));
    BinaryObjectArchive ar;
    WriteObjectList(ar, list);
    const std::size_t beforeRepeat = ar.Writer().size();
    ar.WriteObject(list.at(list.size() - 1));  // object index 0x8002, by back reference
    const auto& bytes = ar.Writer().bytes();
    EXPECT_EQ(U16At(bytes, beforeRepeat), 0x7FFF);
    EXPECT_EQ(U32At(bytes, beforeRepeat + 2), 0x8002u);

    // The second multiplexor names its class with 0x7FFF and 0x80000000 | 0x8000.
    const std::size_t lastObjectSize = 1 + 2 + 4 + 4 + 4 + 1 + 7;  // name "m2", id, parent, flag, address
    const std::size_t secondMux = beforeRepeat - lastObjectSize - 6;
    EXPECT_EQ(U16At(bytes, secondMux), 0x7FFF);
    EXPECT_EQ(U32At(bytes, secondMux + 2), 0x80008000u);

    BinaryObjectArchive in(bytes.data(), beforeRepeat);
    CNamedObjectList back;
    ASSERT_TRUE(ReadObjectList(in, back));
    ASSERT_EQ(back.size(), list.size());
    EXPECT_EQ(back.at(back.size() - 1)->GetName(), "m2");
    EXPECT_STREQ(back.at(back.size() - 1)->GetRuntimeClass(), "CMultiplexorNode");
}

TEST_F(ObjectArchiveTest, countsTakeTheLongFormFrom0xFFFF) {
    BinaryObjectArchive ar;
    WriteArchiveCount(ar, 0xFFFE);
    WriteArchiveCount(ar, 0xFFFF);
    const std::vector<std::uint8_t> expected = {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(ar.Writer().bytes(), expected);

    BinaryObjectArchive in(expected.data(), expected.size());
    EXPECT_EQ(ReadArchiveCount(in, 0), 0xFFFEu);
    EXPECT_EQ(ReadArchiveCount(in, 0), 0xFFFFu);
    EXPECT_FALSE(in.failed());
}

TEST_F(ObjectArchiveTest, damagedInputFailsWithoutReadingOrAllocatingBeyondIt) {
    // A count far beyond the bytes left.
    const std::vector<std::uint8_t> hugeCount = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00};
    BinaryObjectArchive a(hugeCount.data(), hugeCount.size());
    CNamedObjectList list;
    EXPECT_FALSE(ReadObjectList(a, list));
    EXPECT_TRUE(list.empty());

    // An unknown class name.
    std::vector<std::uint8_t> unknown = {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00, 'C', 'F', 'o', 'o'};
    BinaryObjectArchive b(unknown.data(), unknown.size());
    EXPECT_EQ(b.ReadObject(), nullptr);
    EXPECT_TRUE(b.failed());
    EXPECT_NE(b.GetFailureReason().find("CFoo"), std::string::npos);

    // A class index that was never introduced, and a class tag naming an object.
    for (std::vector<std::uint8_t> bad :
         {std::vector<std::uint8_t>{0x05, 0x80}, std::vector<std::uint8_t>{0x01, 0x00}}) {
        BinaryObjectArchive c(bad.data(), bad.size());
        EXPECT_EQ(c.ReadObject(), nullptr);
        EXPECT_TRUE(c.failed());
    }

    // Every truncation of a valid object fails cleanly.
    CInstrumentConnectedNode node("Instrument", 42);
    BinaryObjectArchive out;
    out.WriteObject(&node);
    const auto& bytes = out.Writer().bytes();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        BinaryObjectArchive cut(bytes.data(), n);
        EXPECT_EQ(cut.ReadObject(), nullptr) << n;
        EXPECT_TRUE(cut.failed()) << n;
    }
    BinaryObjectArchive whole(bytes.data(), bytes.size());
    EXPECT_NE(whole.ReadObject(), nullptr);
}

TEST_F(ObjectArchiveTest, nestingIsBounded) {
    auto root = std::make_unique<CInstrumentConnectedNode>("0", 1);
    CInstrumentConnectedNode* inner = root.get();
    for (int depth = 1; depth <= BinaryObjectArchive::kMaxDepth + 1; ++depth) {
        auto child = std::make_unique<CInstrumentConnectedNode>(std::to_string(depth), depth + 1);
        CInstrumentConnectedNode* next = child.get();
        inner->GetList(kDlogEvents).Append(std::move(child));
        inner = next;
    }
    BinaryObjectArchive out;
    out.WriteObject(root.get());
    ASSERT_FALSE(out.failed());
    BinaryObjectArchive in(out.Writer().bytes().data(), out.Writer().size());
    EXPECT_EQ(in.ReadObject(), nullptr);
    EXPECT_TRUE(in.failed());
}

TEST_F(ObjectArchiveTest, registryKnowsEveryStoredClassWithItsSchema) {
    EXPECT_EQ(SchemaOf("CSiteNode"), 1);
    EXPECT_EQ(SchemaOf("CMultiplexorNode"), 7);
    EXPECT_EQ(SchemaOf("CModemSettings"), 7);
    EXPECT_EQ(SchemaOf("CInstrumentConnectedNode"), 1);
    EXPECT_EQ(SchemaOf("CInstrumentMultiplexorNode"), 1);
    EXPECT_EQ(SchemaOf("CCommPortConnection"), 1);
    EXPECT_EQ(SchemaOf("CModemConnection"), 1);
    EXPECT_EQ(SchemaOf("CTAPIModemConnection"), 0);
    EXPECT_EQ(SchemaOf("CTCPConnection"), 0);
    EXPECT_EQ(FindArchiveClass("CNoSuchClass"), nullptr);
    // A later layer adds its classes without touching the archive.
    RegisterArchiveClass("CTestOnlySite", 3,
                         [] { return std::unique_ptr<SerialObject>(new CSiteNode("t", 1)); });
    EXPECT_EQ(SchemaOf("CTestOnlySite"), 3);
}

}  // namespace
}  // namespace talven
