#pragma once
// Numbers of the network layer's texts in the message table.

namespace talven::msg {
constexpr int kTextSaveUnsafeValue = 63301;
constexpr int kNetworkConfigArchiveError = 63302;
constexpr int kTextUnknownParent = 63303;
constexpr int kTextSiteOwnParent = 63304;
constexpr int kTextSiteCycle = 63305;
constexpr int kTextBadPort = 63306;
}  // namespace talven::msg
