// Damaged input of every DLOG reader ends with a status: no crash, no hang, nothing out of bounds
// (the sanitizer build runs these too). Deterministic: a fixed seed.

#include <gtest/gtest.h>

#include <random>

#include "DlogTestSupport.h"
#include "dlog/DlogScript.h"
#include "dlog/RecordDecoding.h"

namespace talven {
namespace {

std::string Mutate(std::string text, std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits && !text.empty(); ++i) {
        const std::size_t at = random() % text.size();
        switch (random() % 3) {
            case 0:
                text[at] = static_cast<char>(byte(random));
                break;
            case 1:
                text.erase(at, 1 + random() % 16);
                break;
            default:
                text.insert(at, text.substr(random() % text.size(), 1 + random() % 40));
                break;
        }
    }
    return text;
}

std::string SampleScript(IDlogInstrument& inst) {
    CDASChannel* c = test::AddChannel(inst, "OZONE");
    test::AddParameter(*c, "NO", "AVG", 2, true);
    test::AddParameter(*c, "NO2", "MAX", 1, false);
    test::AddChannel(inst, "CAL", "CALIBRATE");
    return GetConfigurationText(inst, dlogform::kScript);
}

TEST(DlogRobustness, damagedScriptsAndReportsEndWithAStatus) {
    auto inst = test::MakeInstrument();
    const std::string script = SampleScript(*inst);
    const std::string report =
        "SETUP PROPERTIES FOR A:\r\nEVENT: TIMER\r\nSTARTING DATE: 01-JAN-2024\r\nSAMPLE PERIOD: "
        "000:01:00\r\n"
        "FILE NAME: A.DAT\r\nPARAMETERS: 2\r\nPARAMETER=NO, MODE=AVG, PRECISION=1, STORE_SAMPLES=ON\r\n"
        "PARAMETER=NO2, MODE=MIN, PRECISION=2\r\n";
    std::mt19937 random(12345);
    int accepted = 0;
    for (int i = 0; i < 3000; ++i) {
        const bool scriptForm = i % 2 == 0;
        test::TextStream s(Mutate(scriptForm ? script : report, random));
        CNamedObjectList channels;
        accepted += ReadConfigurationReply(*s, *inst, scriptForm, scriptForm, channels);
        EXPECT_LE(channels.size(), 64u);
    }
    EXPECT_LT(accepted, 3000);  // the damage is real: most inputs are refused
}

TEST(DlogRobustness, damagedRecordLinesEndWithAStatus) {
    auto inst = test::MakeInstrument();
    CDASChannel* c = test::AddChannel(*inst, "OZONE");
    test::AddParameter(*c, "NO", "AVG", 2, true);
    test::AddParameter(*c, "NO2", "AVG", 2, false);
    c->SetSelected(true);
    std::vector<std::uint8_t> record(4 + 8 + 4, 7);
    AppendRecordCrc(record);
    const std::string lines[] = {EncodeBase64Line(record), EncodeHexLine(record), EncodeOldHexLine(record)};
    const RecordForm forms[] = {RecordForm::kBase64, RecordForm::kHex, RecordForm::kOldHex};
    const std::string text =
        "D 001:00:00 0 OZONE: 1 1.5 X\r\nD 001:00:00 0 OZONE: 2 3\r\nD 366:23:59 0 OZONE: 1 4 5\r\n";
    std::mt19937 random(777);
    ReportRequest all;
    for (int i = 0; i < 3000; ++i) {
        const int form = i % 4;
        if (form < 3) {
            BinaryRecordDecoder decoder(*c, forms[form]);
            const auto result = decoder.DecodeLine(Mutate(lines[form], random), all);
            EXPECT_TRUE(result == BinaryRecordDecoder::kAppended || result == BinaryRecordDecoder::kDropped);
        } else {
            TextRecordReader reader(*c, DateTime::FromElements(2024, 1, 1, 0, 0, 0));
            test::TextStream s(Mutate(text, random));
            bool started = false;
            int lines_read = 0;
            while (reader.ReadLine(*s, started) == TextRecordReader::kRecordLine)
                ASSERT_LT(++lines_read, 100);
            reader.Finish(DateTime::FromElements(2024, 1, 2, 0, 0, 0), all);
        }
        c->ClearData();
    }
}

}  // namespace
}  // namespace talven
