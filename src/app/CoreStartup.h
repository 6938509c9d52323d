#pragma once
// What every program on the core libraries does once before its first configuration load or
// connection: the lexer's tables, the archive classes of every layer, the session's observers.

namespace talven {

/// Idempotent and thread safe; call before loading a network configuration.
void InitializeCore();

}  // namespace talven
