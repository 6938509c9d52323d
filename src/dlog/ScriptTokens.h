#pragma once
// Small reading helpers shared by the DLOG script, report and reply readers.

#include "text/InstrumentTokenStream.h"

namespace talven::scripttok {

/// Marks the current token as the offending one and fails.
inline bool Refuse(TokenStream& s) {
    s.RecordError();
    return false;
}

/// Advances; the new token must be of the kind, else it is marked.
inline bool Expect(TokenStream& s, int kind, int mode = kModeNormal) {
    return s.NextToken(mode) == kind || Refuse(s);
}

/// A keyword (not a phrase or punctuation): its text is a plain word.
inline bool IsKeyword(int kind) {
    return (kind >= tok::PARAMETER && kind <= tok::NUMCHANNELS) ||
           (kind >= tok::SEQLISTBEGIN && kind <= tok::SETSTATUSBLOCK) ||
           (kind >= tok::LEVELTABLE && kind <= tok::LEVELTABLEEND);
}

/// A name as the instrument prints it in its report: a word or quoted string, or a word that
/// happens to be a keyword (an event called TIMER).
inline bool IsPrintedName(int kind) {
    return kind == kTokenString || IsKeyword(kind);
}

}  // namespace talven::scripttok
