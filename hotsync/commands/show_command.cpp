// oq-hotsync show: the catalogue of a handheld image as the conduit left
// it, with the server's message from the preference.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "catalogue_rows.h"
#include "commands.h"
#include "conduit_settings.h"
#include "desktop_directory.h"
#include "handheld_folder.h"
#include "output_style.h"
#include "terminal_text.h"

namespace oq::hotsync {

namespace {

std::string TimeText(long long seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  char text[32];
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0) {
    return std::to_string(seconds);
  }
  return text;
}

// As ISO 8601 in UTC, the way releaseDate is ISO.
std::string IsoTime(long long seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm utc{};
  char text[32];
  if (gmtime_r(&time, &utc) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) {
    return std::to_string(seconds);
  }
  return text;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      // Handheld texts are single-byte; bytes above 0x7F are taken as Latin-1.
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void PrintJson(const std::vector<CatalogueRow>& rows, const CatalogueView& view, std::optional<long long> lastTracked) {
  std::printf("{\n  \"serverMessage\": %s,\n  \"lastTracked\": %s,\n  \"programs\": [",
              view.serverMessage ? JsonString(*view.serverMessage).c_str() : "null",
              lastTracked ? ("\"" + IsoTime(*lastTracked) + "\"").c_str() : "null");
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& r = rows[i];
    std::printf(
        "%s\n    {\"type\": %s, \"creator\": %s, \"name\": %s, \"installedVersion\": %s, "
        "\"latestVersion\": %s, \"releaseDate\": %s, \"newer\": %s, \"answered\": %s, \"skip\": %s, "
        "\"exclude\": %s, \"message\": %s}",
        i ? "," : "", JsonString(r.type).c_str(), JsonString(r.creator).c_str(), JsonString(r.name).c_str(),
        JsonString(r.installed).c_str(), JsonString(r.latest).c_str(),
        r.releaseDate.empty() ? "null" : JsonString(r.releaseDate).c_str(), r.newer ? "true" : "false",
        r.answered ? "true" : "false", r.skip ? "true" : "false", r.exclude ? "true" : "false",
        JsonString(r.message).c_str());
  }
  std::printf("%s]\n}\n", rows.empty() ? "" : "\n  ");
}

void PrintTable(const std::vector<CatalogueRow>& rows, const CatalogueView& view,
                std::optional<long long> lastTracked) {
  std::printf("%-4s %-4s %-24s %-9s %-9s %-10s %-5s %s\n", "TYPE", "CRTR", "PROGRAM", "INSTALLED", "LATEST", "RELEASED",
              "FLAGS", "MESSAGE");
  // The columns before the message: type, creator, name, versions, date, flags.
  constexpr size_t kNameColumns = 24;
  constexpr size_t kFixedColumns = 5 + 5 + kNameColumns + 1 + 10 + 10 + 11 + 6;
  const auto columns = TerminalColumns();
  size_t newer = 0, newerSetAside = 0;
  std::vector<std::string> unanswered;
  for (const auto& r : rows) {
    const std::string flags =
        std::string(r.newer ? "N" : "-") + (r.skip ? "S" : "-") + (r.exclude ? "X" : "-") + (r.answered ? "-" : "?");
    // On a terminal each row keeps to one line: long names and messages
    // are cut, so that nothing wraps mid-word.
    std::string name = TerminalText(r.name), message = TerminalText(r.message);
    std::string latest = TerminalText(r.latest);
    if (columns) {
      name = FitText(name, kNameColumns);
      message = FitText(message, *columns > kFixedColumns ? *columns - kFixedColumns : 0);
    }
    const std::string padding(latest.size() < 9 ? 9 - latest.size() : 0, ' ');
    if (r.newer && r.Tracked(view.useSkipFlag)) latest = Highlighted(latest, stdout);
    std::printf("%-4s %-4s %-24s %-9s %s%s %-10s %-5s %s\n", TerminalText(r.type).c_str(),
                TerminalText(r.creator).c_str(), name.c_str(), TerminalText(r.installed).c_str(), latest.c_str(),
                padding.c_str(), r.releaseDate.c_str(), flags.c_str(), message.c_str());
    const bool tracked = r.Tracked(view.useSkipFlag);
    newer += r.newer && tracked;
    newerSetAside += r.newer && !tracked;
    if (!r.answered && r.Tracked(view.useSkipFlag)) unanswered.push_back(TerminalText(r.name));
  }
  std::printf("\n%zu programs, %zu with a newer version", rows.size(), newer);
  if (newerSetAside > 0) std::printf(" (and %zu ignored or skipped)", newerSetAside);
  std::printf(" (flags: N newer version, S marked to be skipped, X excluded, ? never answered)\n");
  std::printf("Last tracked: %s\n", lastTracked ? TimeText(*lastTracked).c_str() : "never");
  if (!unanswered.empty()) {
    std::string names;
    for (const auto& name : unanswered) names += (names.empty() ? "" : ", ") + name;
    std::printf("Never answered: %s\n", names.c_str());
  }
  std::printf("Server message: %s\n",
              view.serverMessage ? TerminalText(*view.serverMessage).c_str() : "(no OrbitQuail preference)");
}

}  // namespace

int RunShow(const ShowOptions& options) {
  std::string problem;
  std::optional<CatalogueView> view;
  if (!options.user && options.handheld.empty()) {
    std::cerr << "oq-hotsync: show needs --handheld DIR (a handheld's folder) or --user NAME (a network HotSync's)\n";
    return kExitUsage;
  }
  if (options.user) {
    // The copy a network HotSync leaves in the user's desktop folder.
    const standin::DesktopDirectory desktop;
    const auto users = desktop.Users();
    if (std::find(users.begin(), users.end(), *options.user) == users.end()) {
      std::cerr << "oq-hotsync: there is no HotSync user \"" << TerminalText(*options.user)
                << "\"; `oq-hotsync users` lists them\n";
      return kExitUsage;
    }
    view = ReadCatalogueView(desktop.UserFile(*options.user, ""), problem);
    if (!view) {
      std::cerr << "oq-hotsync: the desktop keeps no catalogue of \"" << TerminalText(*options.user)
                << "\"'s handheld: a network HotSync keeps one, a folder's is in the folder (--handheld)\n";
      return kExitUsage;
    }
  } else {
    if (const int status = CheckHandheldFolder(options.handheld, FolderUse::kRead); status != kExitOk) return status;
    view = ReadCatalogueView(options.handheld, problem);
    if (!view) {
      std::cerr << "oq-hotsync: " << problem << "; run `oq-hotsync catalog --handheld " << options.handheld.string()
                << "` to make one\n";
      return kExitUsage;
    }
  }
  // As apt-mark hold and pins do: what the user set aside is not outdated.
  std::vector<CatalogueRow> rows;
  for (const auto& row : view->rows) {
    if (!options.outdated || (row.newer && (options.all || row.Tracked(view->useSkipFlag)))) rows.push_back(row);
  }
  if (options.json) {
    PrintJson(rows, *view, LastTrackTime());
  } else {
    PrintTable(rows, *view, LastTrackTime());
  }
  if (options.outdated) return rows.empty() ? kExitOk : kExitOutdated;
  return kExitOk;
}

}  // namespace oq::hotsync
