#include "catalog_views.h"

#include <ctime>
#include <nlohmann/json.hpp>

namespace oq::tracker {

namespace {

constexpr size_t kChangesShown = 10;
constexpr size_t kUnknownShown = 10;

std::string Html(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Row(const std::vector<std::string>& cells) {
  std::string row = "<tr>";
  for (const auto& cell : cells) row += "<td>" + Html(cell) + "</td>";
  return row + "</tr>\n";
}

std::string Dump(const nlohmann::json& json) {
  // Text that is not UTF-8 (a message typed in a handheld's code page)
  // still gives valid JSON.
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string UtcTime(int64_t unixSeconds) {
  const std::time_t time = static_cast<std::time_t>(unixSeconds);
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
  return text;
}

std::string StatusPage(CatalogDb& db, const TrackerSettings& settings) {
  const size_t programs = db.ProgramCount();
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>OrbitQuail tracker</title>\n"
      "<style>body{font-family:sans-serif;margin:2em;max-width:50em}table{border-collapse:collapse}"
      "td,th{border:1px solid #ccc;padding:.2em .6em;text-align:left}</style>\n</head>\n<body>\n"
      "<h1>OrbitQuail tracker</h1>\n<p id=\"message\">" +
      Html(settings.message) + "</p>\n<p id=\"programs\">It knows " + std::to_string(programs) +
      (programs == 1 ? " program" : " programs") + ".</p>\n";

  page += "<h2>Latest changes</h2>\n";
  const auto changes = db.RecentChanges(kChangesShown);
  if (changes.empty()) {
    page += "<p id=\"changes\">No changes yet.</p>\n";
  } else {
    page += "<table id=\"changes\">\n<tr><th>When</th><th>Program</th><th>Change</th></tr>\n";
    for (const auto& change : changes) {
      page += Row({UtcTime(change.at), change.creator, change.removed ? "removed" : "version " + change.version});
    }
    page += "</table>\n";
  }

  page += "<h2>Asked for, not known</h2>\n";
  const auto unknown = db.Unknown(kUnknownShown);
  if (unknown.empty()) {
    page += "<p id=\"unknown\">Every program asked for is known.</p>\n";
  } else {
    page +=
        "<table id=\"unknown\">\n<tr><th>Creator</th><th>Name</th><th>Version asked</th><th>Times asked</th>"
        "<th>Last asked</th></tr>\n";
    for (const auto& row : unknown) {
      page += Row({row.creator, row.name, row.version, std::to_string(row.count), UtcTime(row.lastSeen)});
    }
    page += "</table>\n";
  }
  return page + "<p><a href=\"/catalog.json\">The catalogue as JSON</a></p>\n</body>\n</html>\n";
}

std::string ProgramsJson(const std::vector<ProgramRow>& rows) {
  auto json = nlohmann::json::array();
  for (const auto& row : rows) {
    json.push_back(
        {{"creator", row.creator}, {"version", row.entry.version}, {"date", row.entry.date}, {"msg", row.entry.msg}});
  }
  return Dump(json);
}

std::string UnknownJson(const std::vector<UnknownRow>& rows) {
  auto json = nlohmann::json::array();
  for (const auto& row : rows) {
    json.push_back({{"creator", row.creator},
                    {"name", row.name},
                    {"version", row.version},
                    {"count", row.count},
                    {"firstSeen", UtcTime(row.firstSeen)},
                    {"lastSeen", UtcTime(row.lastSeen)}});
  }
  return Dump(json);
}

}  // namespace oq::tracker
