#pragma once
// Shared pieces of the transport tests: an object archive over the archive primitives with a
// chosen loading schema, a link owner that records progress texts, and a configuration token
// stream over a text.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ArchiveStream.h"
#include "foundation/SerialObject.h"
#include "text/ConfigFileTokenStream.h"
#include "transport/Connection.h"

namespace talven::testing {

/// Stores into a writer, or loads from bytes with the given schema. Object references are not
/// needed by the connection classes and fail the archive.
class BytesArchive : public ObjectArchive {
  public:
    BytesArchive() : storing_(true), reader_(nullptr, 0) {}
    BytesArchive(std::vector<std::uint8_t> bytes, std::uint32_t schema)
        : storing_(false), bytes_(std::move(bytes)), reader_(bytes_), schema_(schema) {}

    bool IsStoring() const override { return storing_; }
    ArchiveWriter& Writer() override { return writer_; }
    ArchiveReader& Reader() override { return reader_; }
    std::uint32_t LoadingSchema() const override { return schema_; }
    void WriteObject(const SerialObject*) override { failed_ = true; }
    std::unique_ptr<SerialObject> ReadObject() override {
        failed_ = true;
        return nullptr;
    }
    void Fail() override { failed_ = true; }
    bool failed() const override { return failed_ || reader_.failed(); }
    const std::vector<std::uint8_t>& bytes() const { return writer_.bytes(); }

  private:
    bool storing_;
    std::vector<std::uint8_t> bytes_;
    ArchiveWriter writer_;
    ArchiveReader reader_;
    std::uint32_t schema_ = 0;
    bool failed_ = false;
};

/// Serializes object into bytes.
inline std::vector<std::uint8_t> Store(SerialObject& object) {
    BytesArchive ar;
    object.Serialize(ar);
    return ar.bytes();
}

/// Records progress texts; cancel can be set directly or by a hook on a given text.
class RecordingOwner : public LinkOwner {
  public:
    void ShowLinkProgress(const std::string& text) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back(text);
        }
        if (onProgress)
            onProgress(text);
    }
    bool IsLinkCancelRequested() const override {
        int asked = ++cancelQueries;
        return cancel || (cancelAfterQueries >= 0 && asked > cancelAfterQueries);
    }
    std::string GetLinkOwnerName() const override { return "Test instrument"; }
    std::uint32_t GetLinkTimeoutMs() const override { return 5000; }

    std::vector<std::string> texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    std::atomic<bool> cancel{false};
    /// When not negative: cancel is reported once it was asked more often than this.
    int cancelAfterQueries = -1;
    mutable std::atomic<int> cancelQueries{0};
    std::function<void(const std::string&)> onProgress;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

/// A configuration token stream over text, multi-line, positioned on its first token.
class ConfigText {
  public:
    explicit ConfigText(const std::string& text) : input_(text), stream_(input_) {
        stream_.SetMultiLine(true);
        stream_.NextToken(kModeNormal);
    }
    ConfigFileTokenStream& stream() { return stream_; }

  private:
    std::istringstream input_;
    ConfigFileTokenStream stream_;
};

}  // namespace talven::testing
