#pragma once
// Data files written from a simulated instrument's records: reading them back, and comparing
// their rows with the values the simulator generates.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "foundation/DateTime.h"
#include "sim/Dlog.h"

namespace talven::cli::test {

/// The records of a data file: its heading and, per row, the time stamp and the value cells.
struct CsvFile {
    std::string heading;
    std::vector<std::uint32_t> times;
    std::vector<std::vector<double>> values;
    int headings = 0;
};

inline CsvFile ReadCsv(const std::string& path) {
    CsvFile file;
    std::istringstream lines(ReadAll(path));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Time Stamp", 0) == 0) {
            file.heading = line;
            ++file.headings;
            continue;
        }
        int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
        if (std::sscanf(line.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute, &second) !=
            6) {
            ADD_FAILURE() << "not a record row: " << line;
            continue;
        }
        file.times.push_back(DateTime::FromElements(year, month, day, hour, minute, second).seconds());
        std::vector<double> cells;
        for (std::size_t at = line.find(','); at != std::string::npos; at = line.find(',', at + 1))
            cells.push_back(std::strtod(line.c_str() + at + 1, nullptr));
        file.values.push_back(cells);
    }
    return file;
}

/// The generated values of the simulated channel for the last rows.size() records, compared with
/// the rows (value columns only, without sample counts).
inline void ExpectRowsAsGenerated(const sim::DasData& data, const sim::DasChannel& channel, std::uint32_t now,
                                  const CsvFile& file, std::size_t firstRow) {
    const sim::RecordRange range = sim::StoredRecords(data, channel, now);
    const std::size_t rows = file.times.size() - firstRow;
    ASSERT_LE(rows, static_cast<std::size_t>(range.count));
    for (std::size_t row = 0; row < rows; ++row) {
        const std::int64_t k = range.firstK + range.count - static_cast<std::int64_t>(rows - row);
        const std::uint32_t t = range.timeOf(k);
        SCOPED_TRACE(channel.name + " row " + std::to_string(row));
        EXPECT_EQ(file.times[firstRow + row], t);
        ASSERT_EQ(file.values[firstRow + row].size(), channel.params.size());
        for (std::size_t c = 0; c < channel.params.size(); ++c) {
            const sim::SampleValue v = sim::ValueAt(data, channel, channel.params[c], t);
            if (!v.valid)
                continue;
            EXPECT_NEAR(file.values[firstRow + row][c], v.value,
                        0.5 * std::pow(10.0, -channel.params[c].precision) + 1e-6)
                << channel.params[c].name;
        }
    }
}

}  // namespace talven::cli::test
