#pragma once
// Numbers of the calibrator layer's texts in the message table.

namespace talven::calmsg {

constexpr int kInvalidSequenceName = 63600;
constexpr int kTimerPeriodMustBePositive = 63601;
constexpr int kSequenceScriptSyntaxError = 63602;
constexpr int kUnableToLoadSequenceScript = 63603;
constexpr int kUnableToSaveSequenceConfig = 63604;
constexpr int kDiscardSequenceConfig = 63605;
constexpr int kSequenceScriptFilter = 63606;
constexpr int kTextFileExtension = 63607;
constexpr int kSequenceConfigFileName = 63608;
constexpr int kDownloadingSequenceConfig = 63609;
constexpr int kSendSequenceQuestion = 63610;
constexpr int kSendingSequenceConfig = 63611;
constexpr int kSequenceConfigSent = 63612;
constexpr int kSequenceSendFailed = 63613;
constexpr int kSequenceModifiedExit = 63614;
constexpr int kSequenceConfigTitle = 63615;
constexpr int kStepSingular = 63616;
constexpr int kStepPlural = 63617;
constexpr int kRunUntilHalted = 63618;
constexpr int kRunTimes = 63619;

constexpr int kDuplicateLevelNumbers = 63620;
constexpr int kDeleteSelectedLevels = 63621;
constexpr int kDiscardLevelTable = 63622;
constexpr int kDownloadingLevelTable = 63623;
constexpr int kSendLevelTableQuestion = 63624;
constexpr int kSendingLevelTable = 63625;
constexpr int kLevelTableSent = 63626;
constexpr int kLevelTableSendFailed = 63627;
constexpr int kLevelTableFilter = 63628;
constexpr int kLevelTableSyntaxError = 63629;
constexpr int kUnableToLoadLevelTable = 63630;
constexpr int kLevelTableFileName = 63631;
constexpr int kUnableToSaveLevelTable = 63632;
constexpr int kLevelTableModifiedExit = 63633;
constexpr int kLevelTableTitle = 63634;
constexpr int kLevelPropertiesTitle = 63635;
constexpr int kColumnLevel = 63636;
constexpr int kColumnStep = 63637;
constexpr int kColumnStatusBlock1 = 63638;
constexpr int kColumnStatusBlock2 = 63639;
constexpr int kMenuNewLevel = 63640;
constexpr int kMenuDuplicateLevel = 63641;
constexpr int kMenuLevelProperties = 63642;
constexpr int kMenuDeleteLevel = 63643;

/// Type names of the step kinds, in StepKind order (63644 + kind).
constexpr int kStepTypeNameFirst = 63644;
/// New-step menu entries, in StepKind order (63658 + kind).
constexpr int kMenuNewStepFirst = 63658;
constexpr int kMenuDuplicateStep = 63672;
constexpr int kMenuNewSequence = 63673;
constexpr int kMenuDuplicateSequence = 63674;
constexpr int kMenuSequenceProperties = 63675;
constexpr int kMenuDeleteSequence = 63676;
constexpr int kMenuStepProperties = 63677;
constexpr int kMenuDeleteStep = 63678;
constexpr int kMenuExpandAll = 63679;
constexpr int kMenuCollapseAll = 63680;

constexpr int kSequencePropertiesTitle = 63681;
constexpr int kGenerateTitle = 63682;
constexpr int kGptZeroTitle = 63683;
constexpr int kManualTitle = 63684;
constexpr int kSelectDiluentTitle = 63685;
constexpr int kSelectOutputTitle = 63686;
constexpr int kCCOutputTitle = 63687;
constexpr int kStatusBlockTitle = 63688;
constexpr int kSelectStepTypeTitle = 63689;
constexpr int kSetpointMillivolts = 63690;
constexpr int kSetpointPpb = 63691;
constexpr int kDuringGpt = 63692;

}  // namespace talven::calmsg
