#include "program_catalogue.h"

#include <algorithm>
#include <map>
#include <set>

#include "ascii_case.h"
#include "byte_codec.h"
#include "product.h"
#include "program_record.h"
#include "saved_preferences.h"
#include "tracker_preference_layout.h"

namespace oq::cataloguer {

namespace {

namespace layout = program_record;

// The app-info block of a catalogue made here.
constexpr std::string_view kDesktopMark = "OrbitQuail desktop catalogue 1";
constexpr const char* kCatalogueType = "DATA";

std::vector<uint8_t> MarkBytes() { return {kDesktopMark.begin(), kDesktopMark.end() + 1}; }

// Writes the fields that describe the installed program; nothing else.
void DescribeIn(std::vector<uint8_t>& record, const InstalledProgram& program) {
  layout::Describe(record, {program.type, program.creator, program.name, program.altName, program.installedVersion});
}

std::string ProgramName(const palm::Record& record) {
  return bytes::ByteReader(record.data).Text(layout::kProgramNameOffset, layout::kProgramNameLength);
}

// Names in the order people read them: letters without regard to case,
// then byte for byte.
bool NameBefore(const std::string& a, const std::string& b) {
  const auto lower = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ascii::Lower);
    return text;
  };
  const std::string la = lower(a), lb = lower(b);
  return la != lb ? la < lb : a < b;
}

palm::Database NewCatalogue(uint32_t now) {
  palm::Database catalogue;
  catalogue.SetName(kCatalogueName);
  catalogue.type = palm::FourCCFromText(kCatalogueType);
  catalogue.creator = palm::FourCCFromText(product::kCreatorText);
  catalogue.creationDate = now;
  catalogue.appInfo = MarkBytes();
  return catalogue;
}

}  // namespace

bool IsDesktopCatalogue(const palm::Database& catalogue) {
  return catalogue.appInfo && *catalogue.appInfo == MarkBytes();
}

std::vector<uint8_t> NewProgramRecord(const InstalledProgram& program) {
  std::vector<uint8_t> record(layout::kSlotSize, 0);
  DescribeIn(record, program);
  return record;
}

std::vector<uint8_t> NewTrackerPreference() {
  namespace pref = tracker_preference;
  std::vector<uint8_t> preference(pref::kSize, 0);
  preference[pref::kUseSkipFlagOffset] = 1;
  return palm::saved_preferences::Encode(pref::kVersion, preference);
}

std::string StoredProgramName(const std::string& name) {
  return name.substr(0, std::min(name.find('\0'), layout::kProgramNameLength - 1));
}

RefreshedCatalogue RefreshCatalogue(const std::optional<palm::Database>& existing,
                                    const std::vector<InstalledProgram>& programs, uint32_t now,
                                    const RefreshContext& context) {
  RefreshedCatalogue result{existing ? *existing : NewCatalogue(now), {}, false};
  palm::Database& catalogue = result.database;
  CatalogueChanges& changes = result.changes;

  std::vector<uint32_t> previousOrder;
  for (const auto& record : catalogue.records) previousOrder.push_back(record.uniqueId);
  // A database name is unique on a handheld: it is what a record stands for.
  std::map<std::string, palm::Record> kept;
  for (auto& record : catalogue.records) {
    const std::string name = StoredProgramName(ProgramName(record));
    if (!kept.emplace(name, std::move(record)).second) changes.removed.push_back(name);
  }
  std::set<uint32_t> ids;
  for (const auto& [name, record] : kept) ids.insert(record.uniqueId);

  std::vector<palm::Record> records;
  // What could not be read is not known to be gone.
  for (const auto& name : context.unreadable) {
    if (auto found = kept.find(StoredProgramName(name)); found != kept.end()) {
      records.push_back(std::move(found->second));
      kept.erase(found);
    }
  }
  std::set<std::string> listed;
  for (const auto& program : programs) {
    const std::string name = StoredProgramName(program.name);
    if (!listed.insert(name).second) continue;  // a second file of the same database
    auto found = kept.find(name);
    if (found == kept.end()) {
      uint32_t id = catalogue.uniqueIdSeed;
      do {
        id = (id + 1) & palm::kUniqueIdMask;
      } while (id == 0 || ids.count(id) != 0);
      catalogue.uniqueIdSeed = id;
      ids.insert(id);
      records.push_back({palm::kRecordDirty, id, NewProgramRecord(program)});
      if (context.remembered) {
        if (const auto flags = context.remembered->Find(program.creator, name)) {
          records.back().data[layout::kSkipFlagOffset] = flags->skip;
          records.back().data[layout::kExcludeFlagOffset] = flags->exclude;
        }
      }
      changes.added.push_back(program.name);
      continue;
    }
    palm::Record record = std::move(found->second);
    kept.erase(found);
    // A record shorter than the fixed part was not written by a catalogue.
    if (record.data.size() < layout::kWrittenLengthBase) record.data.resize(layout::kSlotSize, 0);
    const auto before = record.data;
    DescribeIn(record.data, program);
    if (record.data != before) {
      record.attributes |= palm::kRecordDirty;
      changes.updated.push_back(program.name);
    } else {
      changes.unchanged.push_back(program.name);
    }
    records.push_back(std::move(record));
  }
  for (const auto& [name, record] : kept) changes.removed.push_back(name);

  std::stable_sort(records.begin(), records.end(), [](const palm::Record& a, const palm::Record& b) {
    return NameBefore(ProgramName(a), ProgramName(b));
  });
  std::vector<uint32_t> order;
  for (const auto& record : records) order.push_back(record.uniqueId);
  catalogue.records = std::move(records);
  result.changed = !existing || changes.Any() || order != previousOrder;
  if (result.changed) {
    catalogue.modificationDate = now;
    if (existing) ++catalogue.modificationNumber;
  }
  return result;
}

}  // namespace oq::cataloguer
