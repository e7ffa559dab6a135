// The conduit's settings file as the host sees it: when the conduit last
// tracked, and putting that back when the HotSync's results were lost.
#pragma once

#include <optional>
#include <string>

#include "outcome.h"

namespace oq::hotsync {

// A stored value; none when the file or the key is missing.
std::optional<std::string> ReadSetting(const char* section, const char* key);

// The stored LastTrackTime text; none when the file or the key is missing.
std::optional<std::string> LastTrackTimeText();

// The tracking period and proxy authentication as the dialog leaves them,
// in words: "tracking every time; proxy authentication off".
std::string TrackingSettingsInWords();

// When the conduit last tracked; none when never.
std::optional<long long> LastTrackTime();

// Why the settings file is there but cannot be read; empty when it can be.
std::string SettingsUnreadable();

// Puts LastTrackTime back as it was (none: removes it); returns what
// failed, or an empty string.
Outcome RestoreLastTrackTime(const std::optional<std::string>& text);

}  // namespace oq::hotsync
