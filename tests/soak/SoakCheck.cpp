#include "SoakCheck.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "foundation/DateTime.h"

namespace talven::soak {

namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool ToInteger(const std::string& text, long long& out) {
    char* end = nullptr;
    out = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0';
}

std::string Trim(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    return text.substr(b, e - b);
}

// "NAME period P records N", the name quoted when it holds blanks.
bool ParseChannelLine(const std::string& rest, ListedChannel& channel) {
    std::string tail;
    if (!rest.empty() && rest[0] == '"') {
        const std::size_t close = rest.find('"', 1);
        if (close == std::string::npos)
            return false;
        channel.name = rest.substr(1, close - 1);
        tail = rest.substr(close + 1);
    } else {
        const std::size_t blank = rest.find(' ');
        channel.name = rest.substr(0, blank);
        tail = blank == std::string::npos ? std::string() : rest.substr(blank);
    }
    const std::vector<std::string> w = Words(tail);
    long long period = 0, records = 0;
    if (w.size() != 4 || w[0] != "period" || w[2] != "records" || !ToInteger(w[1], period) ||
        !ToInteger(w[3], records) || period <= 0 || records < 0)
        return false;
    channel.period = period;
    channel.times.reserve(static_cast<std::size_t>(records));
    return true;
}

// "profile id N WHERE... faults F"
bool ParseInstrumentLine(const std::vector<std::string>& w, ListedInstrument& instrument) {
    long long id = 0, faults = 0;
    if (w.size() < 7 || w[2] != "id" || w[w.size() - 2] != "faults" || !ToInteger(w[3], id) ||
        !ToInteger(w.back(), faults))
        return false;
    instrument.profile = w[1];
    instrument.id = static_cast<int>(id);
    instrument.faults = static_cast<long>(faults);
    for (std::size_t i = 4; i + 2 < w.size(); ++i)
        instrument.where += (instrument.where.empty() ? "" : " ") + w[i];
    return true;
}

bool IsMissing(const std::string& reported) {
    return !reported.empty() && (reported[0] == 'X' || reported[0] == 'x');
}

bool SameValue(const std::string& reported, const std::string& written) {
    char* end = nullptr;
    const double w = std::strtod(written.c_str(), &end);
    if (written.empty() || *end != '\0')
        return false;
    // A value the instrument could not give is written as a zero.
    if (IsMissing(reported))
        return w == 0.0;
    return reported == written || std::strtod(reported.c_str(), nullptr) == w;
}

std::string TimeText(std::uint32_t t) {
    return DateTime::FromSeconds(t).Format("%m/%d/%Y %H:%M:%S");
}

}  // namespace

const ListedChannel* ListedInstrument::channel(const std::string& name) const {
    for (const auto& c : channels)
        if (c.name == name)
            return &c;
    return nullptr;
}

bool ParseListing(std::istream& in, Listing& out, std::string& error) {
    Listing listing;
    std::size_t number = 0;
    bool headed = false;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const auto fail = [&](const char* what) {
            error = "line " + std::to_string(number) + ": " + what + ": " + line;
            return false;
        };
        if (line.empty())
            continue;
        if (!headed) {
            const std::size_t open = line.rfind('(');
            long long at = 0;
            if (line.rfind("talven-sim records at ", 0) != 0 || open == std::string::npos ||
                !ToInteger(line.substr(open + 1, line.size() - open - 2), at))
                return fail("not a talven-sim record listing");
            listing.at = static_cast<std::uint32_t>(at);
            headed = true;
            continue;
        }
        if (line.rfind("INSTRUMENT ", 0) == 0) {
            ListedInstrument instrument;
            if (!ParseInstrumentLine(Words(line), instrument))
                return fail("bad instrument line");
            listing.instruments.push_back(std::move(instrument));
            continue;
        }
        if (listing.instruments.empty())
            return fail("record data before the first instrument");
        ListedInstrument& instrument = listing.instruments.back();
        if (line.rfind("CHANNEL ", 0) == 0) {
            ListedChannel channel;
            if (!ParseChannelLine(line.substr(8), channel))
                return fail("bad channel line");
            instrument.channels.push_back(std::move(channel));
            continue;
        }
        std::vector<std::string> w = Words(line);
        long long t = 0;
        if (instrument.channels.empty() || w.empty() || !ToInteger(w[0], t) || t < 0 || t > 0xFFFFFFFFLL)
            return fail("bad record line");
        ListedChannel& channel = instrument.channels.back();
        channel.times.push_back(static_cast<std::uint32_t>(t));
        channel.values.emplace_back(w.begin() + 1, w.end());
    }
    if (!headed) {
        error = "empty record listing";
        return false;
    }
    out = std::move(listing);
    return true;
}

DataFile ReadDataFile(std::istream& in) {
    DataFile file;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line.rfind("Time Stamp", 0) == 0) {
            ++file.headings;
            continue;
        }
        int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
        const bool stamped =
            std::sscanf(line.c_str(), "%d/%d/%d %d:%d:%d", &month, &day, &year, &hour, &minute, &second) == 6;
        const DateTime t = DateTime::FromElements(year, month, day, hour, minute, second);
        if (!stamped || !t.valid()) {
            ++file.badRows;
            continue;
        }
        std::vector<std::string> cells;
        std::size_t at = line.find(',');
        while (at != std::string::npos) {
            const std::size_t next = line.find(',', at + 1);
            cells.push_back(Trim(line.substr(at + 1, next == std::string::npos ? next : next - at - 1)));
            at = next;
        }
        file.times.push_back(t.seconds());
        file.values.push_back(std::move(cells));
    }
    return file;
}

ChannelVerdict CheckChannel(const ListedChannel& listed, const DataFile& file) {
    ChannelVerdict verdict;
    verdict.rows = file.times.size();
    const auto problem = [&](std::size_t row, const char* what) {
        if (verdict.firstProblem.empty())
            verdict.firstProblem =
                "row " + std::to_string(row + 1) + " (" + TimeText(file.times[row]) + "): " + what;
    };
    std::unordered_map<std::uint32_t, std::size_t> index;
    for (std::size_t i = 0; i < listed.times.size(); ++i)
        index.emplace(listed.times[i], i);
    const bool any = !listed.times.empty();
    const std::int64_t anchor = any ? listed.times.front() : 0;
    const std::int64_t newest = any ? listed.times.back() : 0;

    std::unordered_set<std::uint32_t> seen;
    std::int64_t previous = -1;
    std::int64_t oldest = newest;
    for (std::size_t row = 0; row < file.times.size(); ++row) {
        const std::int64_t t = file.times[row];
        if (!seen.insert(file.times[row]).second) {
            ++verdict.duplicated;
            problem(row, "written before");
            continue;
        }
        const bool offPeriod = !any || (t - anchor) % listed.period != 0;
        if (offPeriod || t > newest || t < previous) {
            ++verdict.unexpected;
            problem(row, offPeriod    ? "no record of the instrument"
                         : t > newest ? "newer than the newest record"
                                      : "out of order");
            continue;
        }
        previous = t;
        oldest = std::min(oldest, t);
        const auto found = index.find(file.times[row]);
        if (found != index.end()) {
            const std::vector<std::string>& reported = listed.values[found->second];
            const std::vector<std::string>& written = file.values[row];
            bool same = reported.size() == written.size();
            for (std::size_t c = 0; same && c < reported.size(); ++c)
                same = SameValue(reported[c], written[c]);
            if (!same) {
                ++verdict.differing;
                problem(row, "values differ from the instrument's");
            }
        }
    }
    // Every record from the oldest in the file (or the oldest the instrument still holds) on.
    if (any) {
        for (std::int64_t t = std::min<std::int64_t>(oldest, anchor); t <= newest; t += listed.period) {
            if (seen.count(static_cast<std::uint32_t>(t)) == 0) {
                if (verdict.lost == 0 && verdict.firstProblem.empty())
                    verdict.firstProblem =
                        "record " + TimeText(static_cast<std::uint32_t>(t)) + " is missing";
                ++verdict.lost;
                verdict.lostFromRing += t < anchor ? 1 : 0;
            }
        }
    }
    return verdict;
}

bool IsFailureOf(const std::string& line, const std::string& name, const std::string& address) {
    const auto names = [&line](const std::string& what) {
        if (what.empty())
            return false;
        for (std::size_t at = line.find(what); at != std::string::npos; at = line.find(what, at + 1)) {
            const std::size_t end = at + what.size();
            const bool startsWord = at == 0 || !std::isalnum(static_cast<unsigned char>(line[at - 1]));
            const bool endsWord = end == line.size() || !std::isalnum(static_cast<unsigned char>(line[end]));
            if (startsWord && endsWord)
                return true;
        }
        return false;
    };
    if (!names(name) && !names(address))
        return false;
    // A stop asked for is no failure of the instrument.
    static const char* const kGood[] = {"Downloading ", " records written to ", ": no new records.",
                                        " due channels downloaded and written.",
                                        "Stopped before instrument "};
    for (const char* good : kGood)
        if (line.find(good) != std::string::npos)
            return false;
    return true;
}

}  // namespace talven::soak
