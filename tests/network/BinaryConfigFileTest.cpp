#include <gtest/gtest.h>

#include <functional>

#include "NetworkTestSupport.h"
#include "network/NetworkFiles.h"
#include "network/ObjectArchiveFile.h"
#include "network/SiteConnection.h"
#include "transport/ModemConnection.h"
#include "transport/ModemSettings.h"
#include "transport/TAPIModemConnection.h"
#include "transport/TCPConnection.h"

namespace talven {
namespace {

using testing::NetworkTest;
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutText(Bytes& b, const std::string& s) {
    b.push_back(static_cast<std::uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
}
void PutClass(Bytes& b, std::uint16_t schema, const std::string& name) {
    Put16(b, 0xFFFF);
    Put16(b, schema);
    Put16(b, static_cast<std::uint16_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
}

class BinaryConfigFileTest : public NetworkTest {
  protected:
    Bytes Save() { return WriteBinaryConfiguration(config_.Lists()); }
    std::string AsString(const Bytes& b) { return std::string(b.begin(), b.end()); }
};

TEST_F(BinaryConfigFileTest, oneHomeSiteIsStoredByteForByte) {
    config_.New();
    const std::uint32_t id = config_.Sites().at(0)->GetId();
    Bytes expected = {0xB5, 0xD0, 0x54, 0xA5, 1, 0, 0, 0, 0, 0, 1, 0};
    PutClass(expected, 1, "CSiteNode");
    PutText(expected, "Home");
    Put32(expected, id);
    Put32(expected, 0);
    Put32(expected, 0);
    for (int i = 0; i < 3; ++i)
        Put16(expected, 0);
    EXPECT_EQ(Save(), expected);
}

TEST_F(BinaryConfigFileTest, secondSerialLinkNamesItsClassByIndexAndLongNamesTakeThe16BitPrefix) {
    CSiteNode& site = AddSite(std::string(300, 'n'));
    AddInstrument("One", site.GetId());
    AddInstrument("Two", site.GetId());
    const Bytes bytes = Save();
    const std::string text = AsString(bytes);
    std::size_t first = text.find("CCommPortConnection");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("CCommPortConnection", first + 1), std::string::npos);
    // Class indexes: CSiteNode 1, site 2, CInstrumentConnectedNode 3, One 4,
    // CCommPortConnection 5, its object 6, Two 7, then Two's link names class 5.
    const std::size_t two = text.find("\x03Two");
    ASSERT_NE(two, std::string::npos);
    const std::string tag("\x05\x80", 2);
    EXPECT_NE(text.find(tag, two), std::string::npos);
    // The 300-character name: 0xFF, then 300 as 16 bits.
    const std::string prefix("\xFF\x2C\x01", 3);
    EXPECT_NE(text.find(prefix + std::string(300, 'n')), std::string::npos);
}

class RoundTrip : public BinaryConfigFileTest {};

TEST_F(RoundTrip, binaryLoadThenSaveGivesTheSameBytes) {
    PopulateAll();
    const Bytes first = Save();
    const std::string path = PathOf("net.CFG");
    ASSERT_TRUE(SaveNetworkConfiguration(config_, path));
    EXPECT_EQ(ReadFile(path), AsString(first));

    CNetworkConfiguration loaded;
    ASSERT_TRUE(LoadNetworkConfiguration(loaded, path));
    EXPECT_EQ(WriteBinaryConfiguration(loaded.Lists()), first);
    EXPECT_EQ(loaded.GetPath(), path);
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_FALSE(loaded.IsOlderFormat());
    auto& serial = static_cast<CInstrumentConnectedNode&>(*loaded.ConnectedInstruments().at(0));
    EXPECT_EQ(serial.GetSettings().selectCode,
              "\x1b"
              "A\r");
    EXPECT_TRUE(serial.GetSettings().samplesBox);
    EXPECT_EQ(serial.GetIdentity().serialNumber, "S1");
    EXPECT_EQ(serial.GetIdentity().modelFamily, 3u);
    EXPECT_EQ(static_cast<CCommPortConnection*>(serial.GetConnection())->GetPortName(), "/dev/ttyUSB3");
    EXPECT_TRUE(prompt_.asked().empty());
}

TEST_F(BinaryConfigFileTest, damagedFileKeepsTheConfigurationInMemory) {
    config_.New();
    AddInstrument("Kept", config_.Sites().at(0)->GetId());
    const Bytes good = Save();
    const std::string path = PathOf("damaged.cfg");
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, good.size() / 2, good.size() - 1}) {
        WriteFile(path, AsString(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))));
        EXPECT_FALSE(LoadNetworkConfiguration(config_, path)) << cut;
    }
    ASSERT_EQ(config_.ConnectedInstruments().size(), 1u);
    EXPECT_EQ(config_.ConnectedInstruments().at(0)->GetName(), "Kept");
    ASSERT_FALSE(prompt_.asked().empty());
    EXPECT_EQ(prompt_.asked().back().text, "Unable to load network configuration file " + path + ".");
    EXPECT_EQ(prompt_.asked().back().caption, "Error");

    // A list holding the wrong class is refused too.
    SavedLists swapped;
    CNamedObjectList sites;
    Bytes wrong = {0xB5, 0xD0, 0x54, 0xA5, 1, 0, 0, 0, 1, 0};
    PutClass(wrong, 1, "CSiteNode");
    PutText(wrong, "not a modem");
    Put32(wrong, 1);
    Put32(wrong, 0);
    Put32(wrong, 0);
    for (int i = 0; i < 4; ++i)
        Put16(wrong, 0);
    EXPECT_FALSE(ReadBinaryConfiguration(wrong.data(), wrong.size(), swapped).ok);

    EXPECT_FALSE(LoadNetworkConfiguration(config_, PathOf("missing.cfg")));
    EXPECT_EQ(config_.ConnectedInstruments().size(), 1u);
}

TEST_F(BinaryConfigFileTest, saveFailureLeavesWhatWasThereAndNoTemporaryFile) {
    config_.New();
    // The rename over a directory fails after the temporary file was written.
    const std::string path = PathOf("keep.cfg");
    std::filesystem::create_directory(path);
    WriteFile(path + "/inside", "old contents");
    EXPECT_FALSE(SaveNetworkConfiguration(config_, path));
    EXPECT_EQ(ReadFile(path + "/inside"), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(prompt_.asked().back().text,
              "Unable to save network configuration file " + path + ": Is a directory.");
    EXPECT_EQ(config_.GetPath(), "");

    EXPECT_FALSE(SaveNetworkConfiguration(config_, PathOf("no/such/dir.cfg")));
}

// An older file: two header values that are not the magic, then three lists: one discarded, the
// site records, and the old instrument records.
Bytes OlderFile(const std::function<void(Bytes&)>& siteRecords, std::uint16_t instrumentCount = 0) {
    Bytes b;
    Put32(b, 0x12345678);
    Put32(b, 5);
    Put16(b, 0);
    siteRecords(b);
    Put16(b, instrumentCount);
    if (instrumentCount)
        PutClass(b, 12, "CInstrumentConnection");
    return b;
}

TEST_F(BinaryConfigFileTest, olderFileBecomesSitesAndMultiplexorsUnderHome) {
    CSiteConnection serialSite;
    serialSite.SetName("Lab");
    serialSite.SetId(1111);
    CSiteConnection port3000;
    port3000.SetName("Direct");
    port3000.SetId(2222);
    CSiteConnection muxSite;
    muxSite.SetName("Rack");
    muxSite.SetId(3333);
    // Records are written through the archive (schema 7) and with the flat schema 3 layout.
    const Bytes file = OlderFile([&](Bytes& b) {
        Put16(b, 4);
        BinaryObjectArchive ar;
        ar.WriteObject(&serialSite);
        b.insert(b.end(), ar.Writer().bytes().begin(), ar.Writer().bytes().end());
        // Indexes so far: CSiteConnection 1, Lab 2, CCommPortConnection 3, Lab's link 4.
        Put16(b, 0x8001);
        PutText(b, "Rack");
        Put32(b, 3333);
        PutClass(b, 0, "CTCPConnection");
        PutText(b, "192.168.1.50");
        Put32(b, 7000);
        Put32(b, 1);
        Put16(b, 0x8001);
        PutText(b, "Direct");
        Put32(b, 2222);
        Put16(b, 0x8006);  // CTCPConnection, introduced by Rack's link
        PutText(b, "192.168.1.51");
        Put32(b, 3000);
        Put32(b, 0);
        Put16(b, 0x8001);
        PutText(b, "Skipped");
        Put32(b, 4444);
        Put16(b, 0);  // a record without a link
        Put32(b, 0);
    });
    SavedLists lists;
    // The record without a link makes the file unreadable.
    EXPECT_FALSE(ReadBinaryConfiguration(file.data(), file.size(), lists).ok);

    const Bytes good = OlderFile([&](Bytes& b) {
        Put16(b, 3);
        BinaryObjectArchive ar;
        ar.WriteObject(&serialSite);
        b.insert(b.end(), ar.Writer().bytes().begin(), ar.Writer().bytes().end());
        Put16(b, 0x8001);
        PutText(b, "Rack");
        Put32(b, 3333);
        PutClass(b, 0, "CTCPConnection");
        PutText(b, "192.168.1.50");
        Put32(b, 7000);
        Put32(b, 1);
        Put16(b, 0x8001);
        PutText(b, "Direct");
        Put32(b, 2222);
        Put16(b, 0x8006);
        PutText(b, "192.168.1.51");
        Put32(b, 3000);
        Put32(b, 0);
    });
    const std::string path = PathOf("old.cfg");
    WriteFile(path, AsString(good));
    ASSERT_TRUE(LoadNetworkConfiguration(config_, path))
        << (prompt_.asked().empty() ? "" : prompt_.asked().back().text);
    EXPECT_EQ(config_.GetFormatVersion(), 5u);
    EXPECT_TRUE(config_.IsOlderFormat());
    ASSERT_EQ(config_.Sites().size(), 3u);
    const std::uint32_t home = config_.Sites().at(0)->GetId();
    EXPECT_EQ(config_.Sites().at(0)->GetName(), "Home");
    EXPECT_EQ(config_.Sites().at(1)->GetName(), "Lab");
    EXPECT_EQ(config_.Sites().at(1)->GetId(), 1111u);
    EXPECT_EQ(static_cast<CTreeNode*>(config_.Sites().at(1))->GetParentId(), home);
    EXPECT_EQ(config_.Sites().at(2)->GetName(), "Direct");
    ASSERT_EQ(config_.Multiplexors().size(), 1u);
    auto* rack = static_cast<CMultiplexorNode*>(config_.Multiplexors().at(0));
    EXPECT_EQ(rack->GetName(), "Rack");
    EXPECT_EQ(rack->GetId(), 3333u);
    EXPECT_EQ(rack->GetAddress(), "192.168.1.50");
    EXPECT_TRUE(rack->IsExpanded());
    EXPECT_EQ(rack->GetParentId(), home);

    // Old instrument records cannot be converted: the file is refused.
    const Bytes withInstruments = OlderFile([&](Bytes& b) { Put16(b, 0); }, 1);
    SavedLists refused;
    EXPECT_FALSE(ReadBinaryConfiguration(withInstruments.data(), withInstruments.size(), refused).ok);
}

TEST_F(BinaryConfigFileTest, flatSiteRecordsBuildTheirLink) {
    Bytes b;
    PutClass(b, 3, "CSiteConnection");
    PutText(b, "Dial-up");
    Put32(b, 99);
    PutText(b, "555 0123");
    for (std::uint32_t v : {7u /*modem id*/, 1u /*Hayes*/, 0u, 2u /*port*/, 2400u, 69u /*'E'*/, 7u, 2u})
        Put32(b, v);
    BinaryObjectArchive ar(b.data(), b.size());
    auto object = ar.ReadObject();
    ASSERT_NE(object, nullptr);
    auto& record = static_cast<CSiteConnection&>(*object);
    EXPECT_EQ(record.GetName(), "Dial-up");
    EXPECT_EQ(record.GetId(), 99u);
    auto* modem = dynamic_cast<CModemConnection*>(record.GetConnection());
    ASSERT_NE(modem, nullptr);
    EXPECT_EQ(modem->GetPortName(), "COM3");
    EXPECT_EQ(modem->GetBaudRate(), 2400u);
    EXPECT_EQ(modem->GetParity(), 2u);
    EXPECT_EQ(modem->GetStopBits(), 2u);
    EXPECT_EQ(modem->GetModemId(), 7u);
    EXPECT_EQ(modem->GetTelephoneNumber(), "555 0123");

    // A link of an older schema inside a record: each object is read with its own class's schema.
    Bytes nested;
    PutClass(nested, 7, "CSiteConnection");
    PutText(nested, "Old serial");
    Put32(nested, 5);
    PutClass(nested, 0, "CCommPortConnection");
    PutText(nested, "COM9");
    for (std::uint32_t v : {4800u, 1u, 7u, 2u})
        Put32(nested, v);
    Put32(nested, 1);  // the record's expanded flag, read after the link
    BinaryObjectArchive older(nested.data(), nested.size());
    auto site = older.ReadObject();
    ASSERT_NE(site, nullptr);
    EXPECT_TRUE(static_cast<CSiteConnection&>(*site).IsExpanded());
    auto* oldPort = dynamic_cast<CCommPortConnection*>(static_cast<CSiteConnection&>(*site).GetConnection());
    ASSERT_NE(oldPort, nullptr);
    EXPECT_EQ(oldPort->GetBaudRate(), 4800u);
    EXPECT_FALSE(oldPort->GetXonXoff());
    EXPECT_EQ(older.Reader().remaining(), 0u);

    Bytes badSchema;
    PutClass(badSchema, 4, "CSiteConnection");
    Put32(badSchema, 0);
    BinaryObjectArchive bad(badSchema.data(), badSchema.size());
    EXPECT_EQ(bad.ReadObject(), nullptr);
    EXPECT_TRUE(bad.failed());
}

}  // namespace
}  // namespace talven
