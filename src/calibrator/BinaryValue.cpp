#include "calibrator/BinaryValue.h"

#include "calibrator/ArchiveHelpers.h"
#include "foundation/EString.h"
#include "text/InstrumentTokenStream.h"

namespace talven {

std::string BinaryValue::Text(int width, bool scriptForm) const {
    if (!enabled)
        return "DISABLED";
    std::string digits = ToBinaryDigits(bits, width, msbFirst);
    return scriptForm ? "\"" + digits + "\"" : digits;
}

void BinaryValue::SetBit(int index, bool on) {
    const std::uint32_t mask = 1u << index;
    bits = on ? (bits | mask) : (bits & ~mask);
}

bool BinaryValue::Read(TokenStream& ts, int width) {
    const int kind = ts.GetTokenKind();
    if (kind == tok::DISABLED) {
        enabled = false;
        ts.NextToken();
        return true;
    }
    if (kind != kTokenString) {
        ts.RecordError();
        return false;
    }
    const std::string& text = ts.GetTokenText();
    if (!IsAllBinaryDigits(text) || text.size() > static_cast<std::size_t>(width)) {
        ts.RecordError();
        ts.NextToken();
        return false;
    }
    enabled = true;
    bits = FromBinaryDigits(text, msbFirst);
    ts.NextToken();
    return true;
}

void BinaryValue::Serialize(ObjectArchive& ar) {
    if (ar.IsStoring()) {
        ar.Writer().WriteU32(bits);
        calarchive::WriteFlag(ar, enabled);
        calarchive::WriteFlag(ar, msbFirst);
    } else {
        bits = ar.Reader().ReadU32();
        enabled = calarchive::ReadFlag(ar);
        msbFirst = calarchive::ReadFlag(ar);
    }
}

}  // namespace talven
