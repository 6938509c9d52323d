#pragma once
// The token stream of the text network configuration file: a file instrument stream (so the
// instrument phrases are recognised here too) with the file's own 4 operators and 70 keywords.
// Connection classes read and write their lines with these ids.

#include <istream>
#include <string>

#include "text/InstrumentTokenStream.h"

namespace talven {

/// Operators of the configuration file.
enum ConfigOperator : int {
    kConfigPoint = 0,
    kConfigPlus = 1,
    kConfigMinus = 2,
    kConfigEquals = 100,
};

/// Keywords of the configuration file, matched in any letter case. The connection type keywords
/// DIRECTCABLE..TCPIP are also what each connection's GetTypeKeyword returns.
enum ConfigKeyword : int {
    MODEM_NAME = 101,
    MODEM_COMMAND_PREFIX = 102,
    MODEM_TONE_DIAL = 103,
    MODEM_ESCAPE = 104,
    MODEM_HANGUP = 105,
    MODEM_INITIALIZATION_STRING = 106,
    MODEM_RESET = 107,
    MODEM_OK = 108,
    MODEM_CONNECT = 109,
    MODEM_TIMEOUT = 110,
    MODEM_COMMAND_TERMINATOR = 111,
    MODEM_PULSE_DIAL = 112,
    MODEM_SET_REGISTER = 113,
    MODEM_GET_REGISTER = 114,
    MODEM_AUTO_ANSWER_ON = 115,
    MODEM_AUTO_ANSWER_OFF = 116,
    MODEM_ANSWER = 117,
    MODEM_ECHO_ON = 118,
    MODEM_ECHO_OFF = 119,
    MODEM_FORCE_MODEM_ONLINE = 120,
    MODEM_ON_HOOK = 121,
    MODEM_OFF_HOOK = 122,
    MODEM_NUMERIC_RESPONSES = 123,
    MODEM_VERBAL_RESPONSES = 124,
    SITE_NAME = 125,
    SITE_PARENT_SITE = 126,
    SITE_CONN_TYPE = 127,
    SITE_MODEM = 128,
    SITE_TELEPHONE = 129,
    SITE_TIMEOUT = 130,
    SITE_CONNECT_TIMEOUT = 131,
    SITE_COMM_PORT = 132,
    SITE_BAUD_RATE = 133,
    SITE_PARITY_MODE = 134,
    SITE_DATA_BITS = 135,
    SITE_STOP_BITS = 136,
    SITE_XON_XOFF = 137,
    SITE_TCPIP_ADDRESS = 138,
    SITE_TCPIP_PORT = 139,
    DIRECTCABLE = 140,
    BUILTINMODEM = 141,
    WINDOWSMODEM = 142,
    TCPIP = 143,
    INST_NAME = 144,
    INST_ID = 145,
    INST_PORT = 146,
    INST_MODE_VAR_NAME = 147,
    INST_SITE = 148,
    INST_PASSWORD = 149,
    INST_AUTO_DISCONNECT = 150,
    INST_SELECT = 151,
    INST_DESELECT = 152,
    INST_RECV_TIMEOUT = 153,
    INST_XMIT_DELAY = 154,
    MULTIPLEXOR_NAME = 155,
    MULTIPLEXOR_TCPIP_ADDRESS = 156,
    MULTIPLEXOR_SITE = 157,
    INST_CONN_TYPE = 158,
    INST_MODEM = 159,
    INST_TELEPHONE = 160,
    INST_TIMEOUT = 161,
    INST_CONNECT_TIMEOUT = 162,
    INST_COMM_PORT = 163,
    INST_BAUD_RATE = 164,
    INST_PARITY_MODE = 165,
    INST_DATA_BITS = 166,
    INST_STOP_BITS = 167,
    INST_XON_XOFF = 168,
    INST_TCPIP_ADDRESS = 169,
    INST_TCPIP_PORT = 170,
};

/// The keyword's text (for writers), or an empty text for an id that is not a keyword.
std::string ConfigKeywordText(int id);

class ConfigFileTokenStream : public FileInstrumentTokenStream {
  public:
    /// Reads the open stream (not owned) through a 10000-byte buffer; multiLine starts off, as in
    /// every stream; the configuration reader turns it on.
    explicit ConfigFileTokenStream(std::istream& file, int blockSize = 10000);
};

}  // namespace talven
