#pragma once
// Numbers of the network layer's texts in the message table.

namespace talven::msg {
constexpr int kTextSaveUnsafeValue = 63301;
constexpr int kNetworkConfigArchiveError = 63302;
}  // namespace talven::msg
