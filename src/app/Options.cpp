#include "app/Options.h"

#include <cstdio>

#include "foundation/ArchiveStream.h"
#include "foundation/Messages.h"

namespace talven {

namespace {

constexpr std::uint32_t kVersionWithDetectOption = 0x3000D;
constexpr std::uint32_t kVersionWithDateFormats = 0x3000C;
constexpr std::uint32_t kVersionWithoutOldRectangles = 0x3000B;
constexpr std::uint32_t kVersionWithObsoleteDate = 0x30007;

void WritePlacement(ArchiveWriter& w, const WindowPlacement& p) {
    w.WriteBool(p.valid);
    w.WriteI32(p.left);
    w.WriteI32(p.top);
    w.WriteI32(p.right);
    w.WriteI32(p.bottom);
    w.WriteU32(p.showState);
}

WindowPlacement ReadPlacement(ArchiveReader& r) {
    WindowPlacement p;
    p.valid = r.ReadBool();
    p.left = r.ReadI32();
    p.top = r.ReadI32();
    p.right = r.ReadI32();
    p.bottom = r.ReadI32();
    p.showState = r.ReadU32();
    return p;
}

}  // namespace

Options::Options() {
    for (int slot = 0; slot < kDateSlotCount; ++slot)
        dateFormats[static_cast<std::size_t>(slot)] = DefaultDateFormat(slot);
}

std::string Options::DefaultDateFormat(int slot) {
    if (slot < 0 || slot >= kDateSlotCount)
        slot = 0;
    return std::string(MessageText(msg::kDefaultDateFormat0 + slot));
}

const std::string& Options::DateFormat(int slot) const {
    if (slot < 0 || slot >= kDateSlotCount)
        slot = 0;
    return dateFormats[static_cast<std::size_t>(slot)];
}

void Options::SetDateFormat(int slot, std::string format) {
    if (slot < 0 || slot >= kDateSlotCount)
        slot = 0;
    dateFormats[static_cast<std::size_t>(slot)] = std::move(format);
}

void Options::RestoreDefaults() {
    Options defaults;
    defaults.networkConfigPath = networkConfigPath;
    defaults.placements = placements;
    *this = defaults;
}

std::vector<std::uint8_t> WriteSettingsValue(const Options& o) {
    ArchiveWriter w;
    w.WriteU32(kSettingsVersion);
    for (const auto& format : o.dateFormats)
        w.WriteString(format);
    w.WriteString(o.logFileName);
    w.WriteString(o.networkConfigPath);
    w.WriteU32(o.frontPanelInterval);
    for (bool b :
         {o.periodicFrontPanelUpdate, o.loadPreviousOnStartup, o.saveOnExit, o.confirmDeletes,
          o.checkBoxesInTrees, o.detectFailedConnections, o.logCommands, o.logResponses, o.logErrors}) {
        w.WriteBool(b);
    }
    for (const auto& p : o.placements)
        WritePlacement(w, p);
    return w.take();
}

bool ReadSettingsValue(const std::vector<std::uint8_t>& value, Options& options, std::string* problem) {
    auto fail = [problem](const std::string& why) {
        if (problem)
            *problem = why;
        return false;
    };
    ArchiveReader r(value);
    const std::uint32_t version = r.ReadU32();
    if (r.failed())
        return fail("the value is shorter than its version number");
    if (version < kSettingsOldestReadable)
        return true;
    if (version > kSettingsVersion) {
        char text[64];
        std::snprintf(text, sizeof text, "unknown version 0x%X", version);
        return fail(text);
    }

    Options read = options;
    if (version >= kVersionWithDateFormats) {
        for (auto& format : read.dateFormats)
            format = r.ReadString();
    }
    read.logFileName = r.ReadString();
    read.networkConfigPath = r.ReadString();
    if (version == kVersionWithObsoleteDate)
        r.ReadU32();
    read.frontPanelInterval = r.ReadU32();
    read.periodicFrontPanelUpdate = r.ReadBool();
    read.loadPreviousOnStartup = r.ReadBool();
    read.saveOnExit = r.ReadBool();
    read.confirmDeletes = r.ReadBool();
    read.checkBoxesInTrees = r.ReadBool();
    if (version >= kVersionWithDetectOption)
        read.detectFailedConnections = r.ReadBool();
    read.logCommands = r.ReadBool();
    read.logResponses = r.ReadBool();
    read.logErrors = r.ReadBool();
    for (int slot = kPlaceMainWindow; slot <= kPlaceGraph; ++slot)
        read.placements[static_cast<std::size_t>(slot)] = ReadPlacement(r);
    if (version < kVersionWithoutOldRectangles)
        r.Skip(2 * 16 + 4);
    read.placements[kPlaceModemList] = ReadPlacement(r);
    read.placements[kPlaceLevelTable] = ReadPlacement(r);
    if (r.failed())
        return fail("the value ends early or is garbled");
    if (read.frontPanelInterval < 1 || read.frontPanelInterval > 60)
        read.frontPanelInterval = 5;
    options = std::move(read);
    return true;
}

}  // namespace talven
