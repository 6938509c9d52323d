#include "text/ConfigFileTokenStream.h"

#include <vector>

namespace talven {

namespace {

std::vector<TokenTableEntry> MakeOperators() {
    std::vector<TokenTableEntry> table = {
        {".", kConfigPoint},
        {"+", kConfigPlus},
        {"-", kConfigMinus},
        {"=", kConfigEquals},
    };
    SortTokenTable(table.data(), static_cast<int>(table.size()));
    return table;
}

std::vector<TokenTableEntry> MakeKeywords() {
    std::vector<TokenTableEntry> table = {
        {"MODEM_NAME", MODEM_NAME},
        {"MODEM_COMMAND_PREFIX", MODEM_COMMAND_PREFIX},
        {"MODEM_TONE_DIAL", MODEM_TONE_DIAL},
        {"MODEM_ESCAPE", MODEM_ESCAPE},
        {"MODEM_HANGUP", MODEM_HANGUP},
        {"MODEM_INITIALIZATION_STRING", MODEM_INITIALIZATION_STRING},
        {"MODEM_RESET", MODEM_RESET},
        {"MODEM_OK", MODEM_OK},
        {"MODEM_CONNECT", MODEM_CONNECT},
        {"MODEM_TIMEOUT", MODEM_TIMEOUT},
        {"MODEM_COMMAND_TERMINATOR", MODEM_COMMAND_TERMINATOR},
        {"MODEM_PULSE_DIAL", MODEM_PULSE_DIAL},
        {"MODEM_SET_REGISTER", MODEM_SET_REGISTER},
        {"MODEM_GET_REGISTER", MODEM_GET_REGISTER},
        {"MODEM_AUTO_ANSWER_ON", MODEM_AUTO_ANSWER_ON},
        {"MODEM_AUTO_ANSWER_OFF", MODEM_AUTO_ANSWER_OFF},
        {"MODEM_ANSWER", MODEM_ANSWER},
        {"MODEM_ECHO_ON", MODEM_ECHO_ON},
        {"MODEM_ECHO_OFF", MODEM_ECHO_OFF},
        {"MODEM_FORCE_MODEM_ONLINE", MODEM_FORCE_MODEM_ONLINE},
        {"MODEM_ON_HOOK", MODEM_ON_HOOK},
        {"MODEM_OFF_HOOK", MODEM_OFF_HOOK},
        {"MODEM_NUMERIC_RESPONSES", MODEM_NUMERIC_RESPONSES},
        {"MODEM_VERBAL_RESPONSES", MODEM_VERBAL_RESPONSES},
        {"SITE_NAME", SITE_NAME},
        {"SITE_PARENT_SITE", SITE_PARENT_SITE},
        {"SITE_CONN_TYPE", SITE_CONN_TYPE},
        {"SITE_MODEM", SITE_MODEM},
        {"SITE_TELEPHONE", SITE_TELEPHONE},
        {"SITE_TIMEOUT", SITE_TIMEOUT},
        {"SITE_CONNECT_TIMEOUT", SITE_CONNECT_TIMEOUT},
        {"SITE_COMM_PORT", SITE_COMM_PORT},
        {"SITE_BAUD_RATE", SITE_BAUD_RATE},
        {"SITE_PARITY_MODE", SITE_PARITY_MODE},
        {"SITE_DATA_BITS", SITE_DATA_BITS},
        {"SITE_STOP_BITS", SITE_STOP_BITS},
        {"SITE_XON_XOFF", SITE_XON_XOFF},
        {"SITE_TCPIP_ADDRESS", SITE_TCPIP_ADDRESS},
        {"SITE_TCPIP_PORT", SITE_TCPIP_PORT},
        {"DIRECTCABLE", DIRECTCABLE},
        {"BUILTINMODEM", BUILTINMODEM},
        {"WINDOWSMODEM", WINDOWSMODEM},
        {"TCPIP", TCPIP},
        {"INST_NAME", INST_NAME},
        {"INST_ID", INST_ID},
        {"INST_PORT", INST_PORT},
        {"INST_MODE_VAR_NAME", INST_MODE_VAR_NAME},
        {"INST_SITE", INST_SITE},
        {"INST_PASSWORD", INST_PASSWORD},
        {"INST_AUTO_DISCONNECT", INST_AUTO_DISCONNECT},
        {"INST_SELECT", INST_SELECT},
        {"INST_DESELECT", INST_DESELECT},
        {"INST_RECV_TIMEOUT", INST_RECV_TIMEOUT},
        {"INST_XMIT_DELAY", INST_XMIT_DELAY},
        {"MULTIPLEXOR_NAME", MULTIPLEXOR_NAME},
        {"MULTIPLEXOR_TCPIP_ADDRESS", MULTIPLEXOR_TCPIP_ADDRESS},
        {"MULTIPLEXOR_SITE", MULTIPLEXOR_SITE},
        {"INST_CONN_TYPE", INST_CONN_TYPE},
        {"INST_MODEM", INST_MODEM},
        {"INST_TELEPHONE", INST_TELEPHONE},
        {"INST_TIMEOUT", INST_TIMEOUT},
        {"INST_CONNECT_TIMEOUT", INST_CONNECT_TIMEOUT},
        {"INST_COMM_PORT", INST_COMM_PORT},
        {"INST_BAUD_RATE", INST_BAUD_RATE},
        {"INST_PARITY_MODE", INST_PARITY_MODE},
        {"INST_DATA_BITS", INST_DATA_BITS},
        {"INST_STOP_BITS", INST_STOP_BITS},
        {"INST_XON_XOFF", INST_XON_XOFF},
        {"INST_TCPIP_ADDRESS", INST_TCPIP_ADDRESS},
        {"INST_TCPIP_PORT", INST_TCPIP_PORT},
    };
    SortTokenTable(table.data(), static_cast<int>(table.size()));
    return table;
}

const std::vector<TokenTableEntry>& Operators() {
    static const std::vector<TokenTableEntry> table = MakeOperators();
    return table;
}

const std::vector<TokenTableEntry>& Keywords() {
    static const std::vector<TokenTableEntry> table = MakeKeywords();
    return table;
}

}  // namespace

std::string ConfigKeywordText(int id) {
    for (const TokenTableEntry& entry : Keywords()) {
        if (entry.id == id)
            return entry.text;
    }
    return {};
}

ConfigFileTokenStream::ConfigFileTokenStream(std::istream& file, int blockSize)
    : FileInstrumentTokenStream(Operators().data(), static_cast<int>(Operators().size()), Keywords().data(),
                                static_cast<int>(Keywords().size()), file, blockSize) {}

}  // namespace talven
