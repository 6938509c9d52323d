#pragma once
// The sequence configuration script: the one text form of an instrument's whole sequence list,
// written to and read from files and sent to and read back from the calibrator.

#include <string>

#include "calibrator/CalibratorFiles.h"
#include "foundation/NamedObject.h"

namespace talven {

class ICalibratorInstrument;
class CalibratorTransferProgress;
class TokenStream;

/// "SEQLISTBEGIN", every sequence's script text in list order, "SEQLISTEND" (walks under the
/// data lock). flags as CStep::GetText; kScript is always added.
std::string SequenceListText(ICalibratorInstrument& instrument, unsigned flags);
/// Files take "DURATION"; instruments only with the capability "u".
unsigned SequenceFileFlags();
unsigned SequenceSendFlags(const ICalibratorInstrument& instrument);
/// The script the sequence send carries, with the flags above.
std::string SequenceSendText(ICalibratorInstrument& instrument);

/// Reads a whole list (the stream positioned before "SEQLISTBEGIN") into out, which should be
/// empty: SEQLISTBEGIN, sequences, SEQLISTEND, end of input. True when no error was recorded
/// (then out holds the sequences read; otherwise its content is to be discarded). progress, when
/// given, advances once per sequence read.
bool ReadSequenceList(TokenStream& ts, ICalibratorInstrument* instrument, CNamedObjectList& out,
                      CalibratorTransferProgress* progress = nullptr);

/// "&Load Config." after the discard question: reads the file; on success the instrument's list
/// is replaced, on failure emptied. The modified mark is cleared either way.
CalFileResult LoadSequenceFile(ICalibratorInstrument& instrument, const std::string& path);
/// "&Save Config.": writes the list text with the file flags; clears the modified mark on success.
CalFileResult SaveSequenceFile(ICalibratorInstrument& instrument, const std::string& path);
/// "<instrument>-<serial> Sequence Configuration.txt" with the unsafe characters removed.
std::string ProposedSequenceFileName(const ICalibratorInstrument& instrument);

/// The reply to "c print script" (lines joined). The instrument's list is replaced only when the
/// whole list read without error; a failed download keeps the previous list. On success the
/// sequence configuration modified mark is cleared.
bool ReadSequenceDownload(TokenStream& ts, ICalibratorInstrument& instrument, CalibratorTransferProgress* progress);
/// The reply after a sequence send: the first token of the line is "New sequence configuration
/// stored.". On success the modified mark is cleared.
bool ReadSequenceSendReply(TokenStream& ts, ICalibratorInstrument& instrument);

}  // namespace talven
