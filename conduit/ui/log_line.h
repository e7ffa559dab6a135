// The conduit's lines in the HotSync log and in the handheld's own log.
#pragma once

#include <cstdint>

namespace oq {

// Prefix of error lines in the HotSync log.
inline constexpr char kErrorLinePrefix[] = "---    ";

// The one way the conduit writes to the HotSync log. `write` 0 marks a
// diagnostic line, which is dropped; `prefixed` puts kErrorLinePrefix first.
void AddLogLine(int32_t write, const char* text, uint8_t prefixed);

// The three kinds of line the conduit writes, each the one call it stands for.
inline void LogLine(const char* text) { AddLogLine(1, text, 0); }
inline void LogError(const char* text) { AddLogLine(1, text, 1); }
inline void LogDiagnostic(const char* text) { AddLogLine(0, text, 1); }

// A line for the Sync Manager's log, which the handheld keeps.
void AddSyncManagerLogLine(const char* text);

}  // namespace oq
