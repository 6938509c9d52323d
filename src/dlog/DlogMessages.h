#pragma once
// Numbers of the DLOG texts that have no number of their own (the block 63500-63599).

namespace talven::msg {
constexpr int kUnableToLoadDlogConfig = 63500;
constexpr int kInstrumentDateFallback = 63501;
constexpr int kRecordDownloadInterrupted = 63502;
constexpr int kSelectRecordsTitle = 63503;
constexpr int kParameterPropertiesTitle = 63504;
constexpr int kRecordCountMissing = 63505;
constexpr int kRecordReplyMissing = 63506;
constexpr int kRecordReplyShort = 63507;
constexpr int kRecordLineDropped = 63508;
constexpr int kRecordLinesDropped = 63509;
constexpr int kCannotAllocateSeries = 63510;
constexpr int kErrorAllocatingChart = 63511;
constexpr int kPictureFilter = 63512;
constexpr int kUnableToSavePicture = 63513;
constexpr int kReplaceOrAppend = 63514;
}  // namespace talven::msg
