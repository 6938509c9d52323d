#include "transport/ConfigLines.h"

#include "text/ConfigFileTokenStream.h"
#include "text/TokenStream.h"

namespace talven::configlines {

void AppendText(std::string& out, int keyword, std::string_view value) {
    out += "  ";
    out += ConfigKeywordText(keyword);
    out += " = \"";
    out += value;
    out += "\"\r\n";
}

void AppendNumber(std::string& out, int keyword, long long value) {
    out += "  ";
    out += ConfigKeywordText(keyword);
    out += " = ";
    out += std::to_string(value);
    out += "\r\n";
}

int ReadValue(TokenStream& stream, bool acceptText, bool acceptInteger) {
    if (stream.NextToken(kModeNormal) != kConfigEquals) {
        stream.RecordError();
        return -1;
    }
    int kind = stream.NextToken(kModeNormal);
    if ((kind == kTokenString && acceptText) || (kind == kTokenInteger && acceptInteger))
        return kind;
    stream.RecordError();
    return -1;
}

bool Unwritable(std::string_view text) {
    return text.find_first_of("\"\r\n") != std::string_view::npos;
}

}  // namespace talven::configlines
