#include "Profiles.h"

#include "Encoding.h"
#include "foundation/DateTime.h"

namespace talven::sim {

namespace {

struct PointRow {
    const char* name;
    const char* units;
    const char* level;
    double base;
    double swing;
};

// What an analyzer measures and watches. The concentrations come first; the last rows are
// counters that the PC side does not offer (level HIGH).
const PointRow kAnalyzerPoints[] = {
    {"NOX", "PPB", "LOW", 42.0, 25.0},       {"NO", "PPB", "LOW", 18.0, 12.0},
    {"NO2", "PPB", "LOW", 24.0, 14.0},       {"O3", "PPB", "LOW", 31.0, 20.0},
    {"SO2", "PPB", "LOW", 3.5, 2.0},         {"CO", "PPM", "LOW", 0.4, 0.25},
    {"CO2", "PPM", "LOW", 415.0, 12.0},      {"H2S", "PPB", "LOW", 1.2, 0.8},
    {"NH3", "PPB", "LOW", 6.0, 3.0},         {"TNX", "PPB", "LOW", 44.0, 26.0},
    {"STABIL", "PPB", "MED", 0.4, 0.2},      {"RANGE", "PPB", "MED", 500.0, 0.0},
    {"SMPFLW", "CC/M", "MED", 495.0, 6.0},   {"OZFLOW", "CC/M", "MED", 80.0, 2.0},
    {"SMPPRS", "IN-HG-A", "MED", 26.8, 0.3}, {"RCPRS", "IN-HG-A", "MED", 5.1, 0.1},
    {"BOXTMP", "C", "MED", 31.0, 3.0},       {"RCTEMP", "C", "MED", 50.0, 0.2},
    {"PMTTMP", "C", "MED", 7.0, 0.1},        {"CNVTMP", "C", "MED", 315.0, 1.5},
    {"MFTEMP", "C", "MED", 50.0, 0.3},       {"HVPS", "V", "MED", 650.0, 2.0},
    {"REFDET", "MV", "MED", 3400.0, 40.0},   {"PMTDET", "MV", "MED", 120.0, 60.0},
    {"SAMPTEMP", "C", "MED", 29.0, 2.5},     {"LAMPINT", "%", "MED", 98.0, 1.0},
    {"DCPS", "MV", "MED", 2500.0, 5.0},      {"MANPRS", "IN-HG-A", "MED", 27.5, 0.2},
    {"PUMPPRS", "IN-HG-A", "MED", 4.9, 0.2}, {"RCELLP", "IN-HG-A", "MED", 5.0, 0.1},
    {"NXSLP1", "", "MED", 1.02, 0.01},       {"NXOFS1", "MV", "MED", 12.0, 1.0},
    {"NOSLP1", "", "MED", 1.01, 0.01},       {"NOOFS1", "MV", "MED", 11.0, 1.0},
    {"NXSLP2", "", "MED", 0.99, 0.01},       {"NXOFS2", "MV", "MED", 13.0, 1.0},
    {"NOSLP2", "", "MED", 1.00, 0.01},       {"NOOFS2", "MV", "MED", 10.0, 1.0},
    {"AIN1", "V", "MED", 1.2, 0.5},          {"AIN2", "V", "MED", 2.4, 0.5},
    {"AIN3", "V", "MED", 0.8, 0.3},          {"AIN4", "V", "MED", 3.1, 0.4},
    {"AIN5", "V", "MED", 0.2, 0.1},          {"AIN6", "V", "MED", 4.5, 0.2},
    {"AIN7", "V", "MED", 1.9, 0.6},          {"AIN8", "V", "MED", 2.2, 0.3},
    {"XIN1", "", "HIGH", 10.0, 5.0},         {"XIN2", "", "HIGH", 20.0, 5.0},
    {"XIN3", "", "HIGH", 30.0, 5.0},         {"XIN4", "", "HIGH", 40.0, 5.0},
    {"XIN5", "", "HIGH", 50.0, 5.0},         {"XIN6", "", "HIGH", 60.0, 5.0},
};

void AddAnalyzerEvents(DasData& das) {
    das.events = {
        {"ATIMER", 1, true, "LOW", 0, 0},
        {"EXITZR", 2, false, "LOW", 86400, 2 * 3600},
        {"EXITSP", 3, false, "LOW", 86400, 2 * 3600 + 1800},
        {"EXITMP", 4, false, "MED", 7 * 86400, 3 * 86400 + 4 * 3600},
        {"SLPCHG", 5, false, "MED", 86400, 2 * 3600 + 2700},
        {"WARNING", 6, false, "HIGH", 6 * 3600 + 1020, 1020},
    };
    int number = 1;
    for (const auto& row : kAnalyzerPoints) {
        das.points.push_back({row.name, number++, row.units, row.level, row.base, row.swing});
    }
}

DasChannel TimerChannel(const char* name, std::uint32_t start, std::uint32_t sampleMin,
                        std::uint32_t reportMin, std::int32_t records, std::vector<DasParam> params) {
    DasChannel ch;
    ch.name = name;
    ch.event = "ATIMER";
    ch.file = std::string(name) + ".DAT";
    ch.records = records;
    ch.startDate = start;
    ch.samplePeriod = sampleMin * 60;
    ch.reportPeriod = reportMin * 60;
    ch.compact = true;
    ch.params = std::move(params);
    return ch;
}

DasChannel EventChannel(const char* name, const char* event, std::uint32_t start, std::int32_t records,
                        std::vector<DasParam> params) {
    DasChannel ch;
    ch.startDate = start;
    ch.name = name;
    ch.event = event;
    ch.file = std::string(name) + ".DAT";
    ch.records = records;
    ch.params = std::move(params);
    return ch;
}

std::vector<DasParam> ConcParams(bool storeSamples) {
    return {{"NOX", "AVG", 1, storeSamples}, {"NO", "AVG", 1, false}, {"NO2", "AVG", 1, false}};
}

std::vector<DasParam> DiagParams() {
    return {{"SMPFLW", "AVG", 1, false}, {"OZFLOW", "AVG", 1, false}, {"SMPPRS", "AVG", 2, false},
            {"RCPRS", "AVG", 2, false},  {"BOXTMP", "MAX", 1, false}, {"RCTEMP", "AVG", 1, false},
            {"PMTTMP", "MIN", 1, false}};
}

std::vector<DasParam> CalParams() {
    return {{"NXSLP1", "INST", 3, false},
            {"NXOFS1", "INST", 1, false},
            {"NOSLP1", "INST", 3, false},
            {"NOOFS1", "INST", 1, false}};
}

// Instruments with the older hexadecimal records keep no sample counts.
std::vector<DasParam> FiftyParams(bool storeSamples) {
    std::vector<DasParam> params;
    for (std::size_t i = 0; i < kMaxParameters; ++i) {
        params.push_back({kAnalyzerPoints[i].name, i % 7 == 3 ? "SDEV" : "AVG", 2, storeSamples});
    }
    return params;
}

std::vector<std::string> ConfigListing(const char* line0, const char* part, const char* serial,
                                       const char* sw, const char* lib, const char* protocol,
                                       std::vector<std::string> options) {
    std::vector<std::string> out = {line0,
                                    std::string("Part Number ") + part,
                                    std::string("Serial Number ") + serial,
                                    std::string("Software Revision ") + sw,
                                    std::string("Library Revision ") + lib,
                                    std::string("Orvane Protocol Rev. ") + protocol};
    for (auto& o : options)
        out.push_back(std::move(o));
    return out;
}

void AddCalibratorTables(CalibratorData& cal, bool fullTable) {
    cal.gases = {{"ZERO", 100, 28.890188, 1.0, true},    {"NO", 103, 30.0061, 1.0, true},
                 {"NO2", 104, 46.0055, 1.0, true},       {"O3", 101, 47.9982, 1.0, true},
                 {"SO2", 102, 64.0638, 1.0, true},       {"CO", 105, 28.0101, 1.0, true},
                 {"H2S", 122, 34.08088, 1.0, fullTable}, {"NH3", 121, 17.03052, 0.97, fullTable},
                 {"USR1", 107, 28.890188, 1.0, false}};
    cal.units = {{"PPT", 206, 2}, {"PPM", 201, 1}, {"PPB", 200, 0}, {"MGM", 203, 1}, {"UGM", 202, 0}};
}

SequenceEntry Sequence(const char* name, int repeat, bool timer, const char* start, const char* delta,
                       std::vector<std::string> steps) {
    SequenceEntry s;
    s.name = name;
    s.lines = {Format("NAME \"%s\"", name),
               Format("REPEATCOUNT %d", repeat),
               "CCINPUT DISABLED",
               "CCOUTPUT DISABLED",
               timer ? "TIMER ENABLED" : "TIMER DISABLED",
               std::string("TIMERSTART ") + start,
               std::string("TIMERDELTA ") + delta};
    if (!steps.empty()) {
        s.lines.push_back("STEPBEGIN");
        for (auto& st : steps)
            s.lines.push_back(std::move(st));
        s.lines.push_back("STEPEND");
    }
    return s;
}

void AddSequences(CalibratorData& cal, const std::string& year, const char* wait) {
    const std::string w = wait;
    cal.sequences = {
        Sequence("ZERO_SPAN", 1, true, ("01/01/" + year + " 00:30").c_str(), "001:00:00",
                 {"GENERATE ZERO 5.000", w + " 15.0", "GENERATE 400 PPB NO", w + " 15.0", "STANDBY"}),
        Sequence("GPT_CHECK", 1, false, ("01/01/" + year + " 00:00").c_str(), "007:00:00",
                 {"GPT 450 PPB 400 PPB", w + " 20.0", "GPTPS 450 PPB 400 PPB", w + " 5.0", "PURGE",
                  "SETCCOUTPUT \"101000000000\"", "STANDBY"}),
        Sequence("MULTIPOINT", 0, false, ("01/01/" + year + " 00:00").c_str(), "001:00:00",
                 {"EXECSEQ \"ZERO_SPAN\"", "LEVEL 12", w + " 10.0", "SELOUTPUT \"A\"",
                  "SETSTATUSBLOCK \"00000001\" \"00000000\""}),
        Sequence("EMPTY", 1, false, ("01/01/" + year + " 00:00").c_str(), "001:00:00", {}),
    };
}

Profile BaseAnalyzer(std::uint32_t now) {
    Profile p;
    AddAnalyzerEvents(p.das);
    (void)now;
    p.variables = {{"CURR_DATE", ""},   {"CURR_TIME", ""},     {"DAS_HOLD_OFF", "15.0"},
                   {"RS232_MODE", "3"}, {"COM2_MODE", "4099"}, {"MACHINE_ID", "200"},
                   {"TPC_ENABLE", "1"}};
    return p;
}

Profile BaseCalibrator() {
    Profile p;
    p.calibrator = true;
    p.variables = {{"CURR_DATE", ""},   {"CURR_TIME", ""},     {"TARGET_FLOW", "5.000"},
                   {"RS232_MODE", "3"}, {"COM2_MODE", "4099"}, {"MACHINE_ID", "700"}};
    return p;
}

}  // namespace

std::vector<std::string> ProfileNames() {
    return {"analyzer",   "old-analyzer",   "hex-analyzer",   "hexcrc-analyzer",
            "calibrator", "old-calibrator", "flow-calibrator"};
}

std::optional<Profile> MakeProfile(std::string_view name, std::uint32_t now, std::uint64_t seed) {
    const DateTime clock = DateTime::FromSeconds(now);
    const std::uint32_t jan1 = DateTime::FromElements(clock.year(), 1, 1, 0, 0, 0).seconds();
    const std::string year = std::to_string(clock.year());
    Profile p;
    if (name == "analyzer") {
        p = BaseAnalyzer(now);
        p.summary = "current NOx analyzer: instcaps, instid, Base64 records with CRC, attribute display";
        p.features = "dwihfrteonvAkxCp";
        p.answersInstcaps = p.answersInstid = true;
        p.identity = {"N410", "11410-0100", "1042", "G.3", "5.4"};
        p.config = ConfigListing("N410 NOx Analyzer", "11410-0100", "1042", "G.3", "5.4", "2.1",
                                 {"Internal Pump", "Ozone Generator", "Ethernet"});
        p.das.channels = {TimerChannel("CONC1", jan1, 1, 5, 800, ConcParams(true)),
                          TimerChannel("PNUMTC", jan1, 1, 60, 360, DiagParams()),
                          EventChannel("CALDAT", "SLPCHG", jan1, 200, CalParams()),
                          TimerChannel("DIAG50", jan1, 1, 15, 100, FiftyParams(true))};
        AddCalibratorTables(p.cal, false);
    } else if (name == "old-analyzer") {
        p = BaseAnalyzer(now);
        p.summary =
            "older NOx analyzer: identity by configuration listing only, printed DLOG report, "
            "compact text records, password 818, RS232_MODE to rewrite";
        p.features = "d";
        p.identity = {};
        p.config = ConfigListing("R410E NOx Analyzer", "11411-0300", "187", "C.7", "2.0", "0.9",
                                 {"Internal Pump", "RS-232 Multidrop"});
        p.password = 818;
        p.variables[3].second = "4099";
        p.das.channels = {TimerChannel("CONC", jan1, 1, 60, 500, ConcParams(false)),
                          EventChannel("CALCHK", "EXITZR", jan1, 100, CalParams()),
                          TimerChannel("DIAG50", jan1, 1, 60, 48, FiftyParams(true))};
    } else if (name == "hex-analyzer") {
        p = BaseAnalyzer(now);
        p.summary = "analyzer with the old hexadecimal records (byte sum, no CRC), no identity query";
        p.features = "dhtferonk";
        p.answersInstcaps = true;
        p.config = ConfigListing("S420 SO2 Analyzer", "11420-0200", "655", "D.2", "2.5", "1.0",
                                 {"ZPL Zero/Span Valves"});
        p.das.channels = {TimerChannel("CONC1", jan1, 1, 5, 600, ConcParams(false)),
                          TimerChannel("PNUMTC", jan1, 1, 60, 240, DiagParams()),
                          TimerChannel("DIAG50", jan1, 1, 30, 96, FiftyParams(false))};
    } else if (name == "hexcrc-analyzer") {
        p = BaseAnalyzer(now);
        p.summary = "analyzer with hexadecimal records and CRC, instid, stored samples";
        p.features = "dwhtferonvAkx";
        p.answersInstcaps = p.answersInstid = true;
        p.identity = {"C430", "11430-0500", "2311", "F.1", "3.4"};
        p.config = ConfigListing("C430 CO Analyzer", "11430-0500", "2311", "F.1", "3.4", "1.2", {});
        p.das.channels = {TimerChannel("CONC1", jan1, 1, 5, 800, ConcParams(true)),
                          TimerChannel("PNUMTC", jan1, 1, 60, 360, DiagParams()),
                          TimerChannel("DIAG50", jan1, 1, 15, 100, FiftyParams(true))};
    } else if (name == "calibrator") {
        p = BaseCalibrator();
        p.summary =
            "current calibrator: instcaps, instid, gases and units, sequences, level table with actions";
        p.features = "csuqlbgjpAB!@%*#$";
        p.answersInstcaps = p.answersInstid = true;
        p.identity = {"R860U", "12860-0100", "2207", "E.12", "3.2"};
        p.config =
            ConfigListing("R860U Calibrator", "12860-0100", "2207", "E.12", "3.2", "1.1", {"O3 Generator"});
        AddCalibratorTables(p.cal, true);
        AddSequences(p.cal, year, "DURATION");
        p.levelForm = LevelForm::kActions;
        p.cal.levels = {"10 GENERATE ZERO 5.000 \"00000001\" \"00000000\"",
                        "12 GENERATE 400 PPB NO \"00000010\" \"00000000\"",
                        "20 GPT 450 PPB 400 PPB \"00000100\" \"00000001\"",
                        "31 MANUAL NO 0.050 4.950 CONST 2500.0 \"00001000\" DISABLED"};
    } else if (name == "old-calibrator") {
        p = BaseCalibrator();
        p.summary = "older calibrator known by its configuration listing (Q860E), level table with actions";
        p.features = "csu*lj!@%#$";
        p.config = ConfigListing("Q860E Dynamic Dilution Calibrator", "12861-0000", "311", "F.2", "1.5",
                                 "1.0", {"Photometer", "O3 Generator"});
        AddCalibratorTables(p.cal, false);
        AddSequences(p.cal, year, "DURATION");
        p.levelForm = LevelForm::kActions;
        p.cal.levels = {"10 GENERATE ZERO \"00000001\" \"00000000\"",
                        "15 GENERATE 80 PPB SO2 \"00000011\" \"00000000\""};
    } else if (name == "flow-calibrator") {
        p = BaseCalibrator();
        p.summary = "calibrator with a level table with flow and no levels defined yet; DELAY steps";
        p.features = "csqlbgpA!@%*#$";
        p.answersInstcaps = p.answersInstid = true;
        p.identity = {"Q863E", "12863-0000", "311", "A.9", "3.0"};
        p.config = ConfigListing("Q863E Calibrator", "12863-0000", "311", "A.9", "3.0", "1.0", {});
        AddCalibratorTables(p.cal, false);
        AddSequences(p.cal, year, "DELAY");
        p.levelForm = LevelForm::kFlow;
    } else {
        return std::nullopt;
    }
    p.name = std::string(name);
    p.das.seed = Mix(seed, HashText(name));
    return p;
}

}  // namespace talven::sim
