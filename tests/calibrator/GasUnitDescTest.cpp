#include "calibrator/GasUnitDesc.h"

#include "CalibratorTestSupport.h"

namespace talven::testing {
namespace {

CGasDesc& GasAt(CCalibratorData& instrument, std::size_t i) {
    return static_cast<CGasDesc&>(*instrument.GasList().at(i));
}

TEST(GasUnitTables, defaultTablesKeepTheirOrderIdsAndFigures) {
    const CNamedObjectList& gases = DefaultGasTable();
    ASSERT_EQ(gases.size(), 18u);
    EXPECT_EQ(gases.at(0)->GetName(), "UNKNOWN");
    EXPECT_EQ(gases.at(0)->GetId(), 199u);
    EXPECT_EQ(gases.at(1)->GetName(), "ZERO");
    EXPECT_EQ(gases.at(17)->GetName(), "USR4");
    EXPECT_FLOAT_EQ(static_cast<const CGasDesc*>(gases.FindByName("NH3"))->GetMolecularWeight(), 17.03052f);
    EXPECT_EQ(gases.FindByName("NOX")->GetId(), 120u);

    const CNamedObjectList& units = DefaultUnitTable();
    ASSERT_EQ(units.size(), 12u);
    EXPECT_EQ(units.at(0)->GetName(), "FRAC");
    EXPECT_EQ(static_cast<const CUnitDesc*>(units.FindByName("WT%"))->GetDecimalPlaces(), 2u);
    EXPECT_EQ(static_cast<const CUnitDesc*>(units.FindById(200))->GetName(), "PPB");

    ASSERT_EQ(ShortGasTable().size(), 2u);
    EXPECT_EQ(ShortGasTable().at(1)->GetName(), "O3");
}

TEST(GasUnitLookup, emptyInstrumentListResolvesThroughTheDefaultTable) {
    CCalibratorData instrument("Cal", "");
    const CGasDesc* no = FindGasByName(&instrument, "no");
    ASSERT_NE(no, nullptr);
    EXPECT_EQ(no->GetId(), 103u);
    EXPECT_EQ(FindUnitByName(nullptr, "ppm")->GetId(), 201u);
    EXPECT_EQ(FindGasByName(&instrument, "XENON"), nullptr);
}

TEST(GasUnitLookup, instrumentTableIsAskedBeforeTheDefaultTable) {
    CCalibratorData instrument("Cal", "");
    instrument.GasList().Append(std::make_unique<CGasDesc>("NO", 999, 30.0f));
    instrument.UnitList().Append(std::make_unique<CUnitDesc>("PPB", 777, 3));
    EXPECT_EQ(FindGasByName(&instrument, "NO")->GetId(), 999u);
    EXPECT_EQ(FindGasById(&instrument, 103)->GetName(), "NO");  // default table still answers the id
    EXPECT_EQ(FindUnitByName(&instrument, "PPB")->GetDecimalPlaces(), 3u);
}

TEST(GasUnitLookup, unknownIdsShowAsUnknownGasAndPpb) {
    CCalibratorData instrument("Cal", "");
    EXPECT_EQ(GasOrUnknown(&instrument, 4242).GetName(), "UNKNOWN");
    EXPECT_EQ(UnitOrPpb(&instrument, 4242).GetName(), "PPB");
    EXPECT_EQ(UnitOrPpb(nullptr, 201).GetName(), "PPM");
}

std::vector<std::string> Names(const std::vector<DescChoice>& choices) {
    std::vector<std::string> names;
    for (const auto& c : choices)
        names.push_back(c.name);
    return names;
}

TEST(GasUnitChoices, dialogListsFollowModelAndOwnTables) {
    CCalibratorData other("Cal", "", 3);
    EXPECT_EQ(GasChoices(&other).size(), 18u);
    EXPECT_EQ(UnitChoices(&other).size(), 12u);
    other.GasList().Append(std::make_unique<CGasDesc>("CH4", 150, 16.0f));
    other.UnitList().Append(std::make_unique<CUnitDesc>("PPQ", 250, 0));
    EXPECT_EQ(Names(GasChoices(&other)), std::vector<std::string>{"CH4"});
    EXPECT_EQ(Names(UnitChoices(&other)), std::vector<std::string>{"PPQ"});

    CCalibratorData r863("R863", "", 10);
    r863.GasList().Append(std::make_unique<CGasDesc>("ZERO", 100, 1.0f));
    r863.GasList().Append(std::make_unique<CGasDesc>("O3", 101, 1.0f));
    r863.GasList().Append(std::make_unique<CGasDesc>("NO", 103, 1.0f));
    EXPECT_EQ(Names(GasChoices(&r863)), (std::vector<std::string>{"ZERO", "O3", "NO"}));
    r863.GasList().Append(std::make_unique<CGasDesc>("NO2", 104, 1.0f));
    EXPECT_EQ(Names(GasChoices(&r863)), (std::vector<std::string>{"ZERO", "O3"}));
    r863.GasList().DeleteAll();
    EXPECT_EQ(Names(GasChoices(&r863)), (std::vector<std::string>{"ZERO", "O3"}));
}

TEST(GasNamesReply, gasLinesReadWithAndWithoutEnableWord) {
    CCalibratorData instrument("Cal", "p");
    TextTokens reply(
        "GASNAMEBEGIN\r\n"
        "GASNAME \"ZERO\" 100 28.890188 1.0 ENABLE\r\n"
        "GASNAME NO 103 30 2.5\r\n"
        "GASNAME SO2 102 64.0638 1.0 DISABLE\r\n"
        "GASNAMEEND\r\n");
    ASSERT_TRUE(ReadGasNamesReply(reply.ts(), instrument));
    ASSERT_EQ(instrument.GasList().size(), 3u);
    EXPECT_TRUE(GasAt(instrument, 1).IsEnabled());
    EXPECT_FLOAT_EQ(GasAt(instrument, 1).GetMolecularWeight(), 30.0f);
    EXPECT_FLOAT_EQ(GasAt(instrument, 1).GetSecondFactor(), 2.5f);
    EXPECT_FALSE(GasAt(instrument, 2).IsEnabled());
    EXPECT_EQ(GasAt(instrument, 2).GetId(), 102u);
}

TEST(GasNamesReply, brokenRepliesKeepThePreviousList) {
    CCalibratorData instrument("Cal", "p");
    instrument.GasList().Append(std::make_unique<CGasDesc>("OLD", 150, 1.0f));
    for (const char* text : {
             "GASNAMEBEGIN\r\nGASNAME NO 103 30.0 1.0\r\n",              // stops before GASNAMEEND
             "GASNAMEBEGIN\r\nGASNAME NO X 30.0 1.0\r\nGASNAMEEND\r\n",  // id not an integer
             "GASUNITBEGIN\r\nGASUNITEND\r\n",                           // the other table
             "",                                                         // no reply at all
         }) {
        TextTokens reply(text);
        EXPECT_FALSE(ReadGasNamesReply(reply.ts(), instrument)) << text;
        ASSERT_EQ(instrument.GasList().size(), 1u) << text;
        EXPECT_EQ(instrument.GasList().at(0)->GetName(), "OLD");
    }
}

TEST(UnitNamesReply, replacesOnlyOnACompleteTable) {
    CCalibratorData instrument("Cal", "p");
    TextTokens good("GASUNITBEGIN\r\nGASUNIT PPB 200 0\r\nGASUNIT \"WT%\" 225 2\r\nGASUNITEND\r\n");
    ASSERT_TRUE(ReadUnitNamesReply(good.ts(), instrument));
    ASSERT_EQ(instrument.UnitList().size(), 2u);
    EXPECT_EQ(static_cast<CUnitDesc&>(*instrument.UnitList().at(1)).GetDecimalPlaces(), 2u);

    TextTokens truncated("GASUNITBEGIN\r\nGASUNIT PPM 201\r\n");
    EXPECT_FALSE(ReadUnitNamesReply(truncated.ts(), instrument));
    EXPECT_EQ(instrument.UnitList().size(), 2u);
}

}  // namespace
}  // namespace talven::testing
