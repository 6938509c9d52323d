#pragma once
// Helpers of the DLOG tests: token streams over text, an instrument with events and points, and a
// private temporary directory.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "dlog/DASChannel.h"
#include "dlog/DASEvent.h"
#include "dlog/DlogInstrument.h"
#include "text/InstrumentTokenStream.h"

namespace talven::test {

/// A date and time from its elements.
inline DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return DateTime::FromElements(y, mo, d, h, mi, s);
}

/// An instrument stream whose lines come from a function (a scripted or simulated link).
class LineSourceStream : public InstrumentTokenStream {
  public:
    explicit LineSourceStream(std::function<std::string()> source) : source_(std::move(source)) {}

  protected:
    std::string ReadLine() override { return source_(); }

  private:
    std::function<std::string()> source_;
};

/// An instrument stream over a text; the text is kept alive with the stream.
class TextStream {
  public:
    explicit TextStream(std::string text, bool multiLine = false) : input_(std::move(text)), stream_(input_) {
        stream_.SetMultiLine(multiLine);
    }
    TokenStream& operator*() { return stream_; }
    TokenStream* operator->() { return &stream_; }

  private:
    std::istringstream input_;
    FileInstrumentTokenStream stream_;
};

/// An instrument with a timer event, a plain event and three data points.
inline std::unique_ptr<DlogInstrumentData> MakeInstrument(const std::string& capabilities = "dwtihfreonv") {
    auto inst = std::make_unique<DlogInstrumentData>();
    inst->SetCapabilities(capabilities);
    inst->SetInstrumentName("Roof Analyzer");
    inst->SetSerialNumber("SN/123");
    inst->DlogEvents().Append(std::make_unique<CDASEvent>("TIMER", 1, true, dlevel::kLow));
    inst->DlogEvents().Append(std::make_unique<CDASEvent>("CALIBRATE", 2, false, dlevel::kMed));
    inst->DlogPoints().Append(std::make_unique<CDASPoint>("NO", 10, "ppb", dlevel::kLow));
    inst->DlogPoints().Append(std::make_unique<CDASPoint>("NO2", 11, "ppb", dlevel::kMed));
    inst->DlogPoints().Append(std::make_unique<CDASPoint>("FLOW", 12, "", dlevel::kHigh));
    return inst;
}

inline CDASParameter* AddParameter(CDASChannel& channel, const std::string& name,
                                   const std::string& mode = "AVG", int precision = 2,
                                   bool storeSamples = false) {
    auto p = std::make_unique<CDASParameter>(&channel);
    p->SetName(name);
    p->SetSampleMode(mode);
    p->SetPrecision(precision);
    p->SetStoreSamplesConfigured(storeSamples);
    p->SetStoreSamplesInEffect(storeSamples);
    CDASParameter* raw = p.get();
    channel.AppendParameter(std::move(p));
    return raw;
}

inline CDASChannel* AddChannel(IDlogInstrument& inst, const std::string& name,
                               const std::string& event = "TIMER") {
    auto c = std::make_unique<CDASChannel>(&inst);
    c->SetName(name);
    c->SetEvent(event);
    CDASChannel* raw = c.get();
    inst.DlogChannels().Append(std::move(c));
    return raw;
}

inline CDASParameter* ParameterAt(const CDASChannel& channel, std::size_t i) {
    return static_cast<CDASParameter*>(channel.Parameters().at(i));
}

inline CDASChannel* ChannelAt(IDlogInstrument& inst, std::size_t i) {
    return static_cast<CDASChannel*>(inst.DlogChannels().at(i));
}

/// A directory of its own under the system's temporary directory, removed with the object.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "dlogtest.XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

}  // namespace talven::test
