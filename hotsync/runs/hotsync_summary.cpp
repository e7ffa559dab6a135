#include "hotsync_summary.h"

#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "atomic_file.h"
#include "desktop_paths.h"
#include "escaped_fields.h"

namespace oq::hotsync {

namespace {

using cataloguer::EscapedField;
using cataloguer::NumberField;
using cataloguer::UnescapedField;

std::string Count(const std::optional<size_t>& count) { return count ? std::to_string(*count) : "-"; }

}  // namespace

std::string SummaryLine(const CatalogueTally& tally, size_t unanswered, const std::string& showCommand) {
  const size_t tracked = tally.tracked - std::min(tally.tracked, unanswered);
  std::string line = std::to_string(tracked) + (tracked == 1 ? " program" : " programs") + " tracked, ";
  if (tally.newer == 0) return line + "none with a newer version";
  return line + std::to_string(tally.newer) + " with a newer version; `" + showCommand + "` lists them";
}

std::string LocalTimeText(std::time_t when) {
  std::tm local{};
  char text[32];
  if (localtime_r(&when, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0) {
    return std::to_string(when);
  }
  return text;
}

void AppendHotSyncLog(const standin::DesktopDirectory& desktop, const HotSyncEntry& entry) {
  const std::string line = std::to_string(entry.when) + '\t' + EscapedField(entry.user) + '\t' +
                           EscapedField(entry.handheld) + '\t' + Count(entry.tracked) + '\t' + Count(entry.outdated) +
                           '\t' + EscapedField(entry.result) + '\n';
  const auto path = desktop.root() / kHotSyncLogFile;
  // Appended whole in one write: two HotSyncs of different handhelds may
  // end at once, and neither line is cut by the other.
  const int descriptor = storage::EnsurePrivateDirectory(desktop.root())
                             ? open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600)
                             : -1;
  const bool written = descriptor >= 0 && write(descriptor, line.data(), line.size()) == ssize_t(line.size());
  if (descriptor >= 0) close(descriptor);
  if (!written) std::cerr << "oq-hotsync: the HotSync could not be added to " << path.string() << "\n";
}

std::vector<HotSyncEntry> ReadHotSyncLog(const standin::DesktopDirectory& desktop) {
  std::vector<HotSyncEntry> entries;
  const auto bytes = storage::ReadWholeFile(desktop.root() / kHotSyncLogFile);
  if (!bytes) return entries;
  const std::string text(bytes->begin(), bytes->end());
  for (const auto line : cataloguer::DataLines(text)) {
    const auto fields = cataloguer::SplitFields(line);
    if (fields.size() != 6) continue;
    const auto when = NumberField(fields[0], UINT32_MAX);
    auto user = UnescapedField(fields[1]);
    auto handheld = UnescapedField(fields[2]);
    auto result = UnescapedField(fields[5]);
    if (!when || !user || !handheld || !result) continue;
    HotSyncEntry entry{
        static_cast<std::time_t>(*when), std::move(*user), std::move(*handheld), {}, {}, std::move(*result)};
    if (const auto tracked = NumberField(fields[3], UINT32_MAX)) entry.tracked = *tracked;
    if (const auto outdated = NumberField(fields[4], UINT32_MAX)) entry.outdated = *outdated;
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace oq::hotsync
