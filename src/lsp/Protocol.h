// The numbers the protocol fixes: JSON-RPC's error codes, and the kinds of diagnostics,
// symbols, highlights and text document sync that poliz-lsp answers with.
#pragma once

namespace rpc {

inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
inline constexpr int kServerNotInitialized = -32002;

}  // namespace rpc

namespace lsp {

inline constexpr int kSeverityError = 1;
inline constexpr int kSymbolVariable = 13;
inline constexpr int kHighlightRead = 2;
inline constexpr int kHighlightWrite = 3;
inline constexpr int kSyncFull = 1;

}  // namespace lsp
