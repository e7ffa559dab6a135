#include "conduit_settings.h"

#include <cstdlib>

#include "ascii_case.h"
#include "atomic_file.h"
#include "desktop_paths.h"
#include "ini_document.h"

namespace oq::hotsync {

namespace {

constexpr const char* kSettingsFile = "OrbitQuail.ini";
constexpr const char* kSection = "Track";
constexpr const char* kKey = "LastTrackTime";

std::filesystem::path SettingsPath() { return storage::WindowsDirectory() / kSettingsFile; }

}  // namespace

std::string SettingsUnreadable() { return storage::UnreadableReason(SettingsPath()); }

std::optional<std::string> ReadSetting(const char* section, const char* key) {
  const auto bytes = storage::ReadWholeFile(SettingsPath());
  if (!bytes) return std::nullopt;
  return storage::IniDocument::Parse(std::string(bytes->begin(), bytes->end())).Get(section, key);
}

std::optional<std::string> LastTrackTimeText() { return ReadSetting(kSection, kKey); }

std::string TrackingSettingsInWords() {
  // The conduit's defaults: once a day, no proxy credentials.
  const long days = std::strtol(ReadSetting(kSection, "Period").value_or("1").c_str(), nullptr, 10);
  const bool proxy = ascii::EqualsIgnoringCase(ReadSetting("AuthProxy", "Enable").value_or("No"), "Yes");
  const std::string period = days <= 0   ? "tracking every time"
                             : days == 1 ? "tracking once a day"
                                         : "tracking every " + std::to_string(days) + " days";
  return period + "; proxy authentication " + (proxy ? "on" : "off");
}

std::optional<long long> LastTrackTime() {
  const auto text = LastTrackTimeText();
  if (!text) return std::nullopt;
  const long long seconds = std::strtoll(text->c_str(), nullptr, 10);
  if (seconds <= 0) return std::nullopt;
  return seconds;
}

Outcome RestoreLastTrackTime(const std::optional<std::string>& text) {
  if (LastTrackTimeText() == text) return {};
  const auto bytes = storage::ReadWholeFile(SettingsPath());
  if (!bytes) return Outcome::Failed("cannot read " + SettingsPath().string());
  auto document = storage::IniDocument::Parse(std::string(bytes->begin(), bytes->end()));
  if (text) {
    document.Set(kSection, kKey, *text);
  } else {
    document.Remove(kSection, kKey);
  }
  const std::string serialized = document.Serialize();
  return storage::WriteFileAtomically(SettingsPath(),
                                      {reinterpret_cast<const uint8_t*>(serialized.data()), serialized.size()},
                                      storage::FileAccess::kOwnerOnly);
}

}  // namespace oq::hotsync
