// oq-hotsync ignore / unignore / skip / unskip: the catalogue's flags for
// the programs of the given creator codes, set from the desktop.
#include <iostream>
#include <set>

#include "byte_codec.h"
#include "commands.h"
#include "handheld_folder.h"
#include "handheld_image.h"
#include "palm_time.h"
#include "program_catalogue.h"
#include "program_record.h"

namespace oq::hotsync {

int RunSetFlag(const FlagOptions& options) {
  namespace layout = program_record;
  if (const int status = CheckHandheldFolder(options.handheld, FolderUse::kWrite); status != kExitOk) return status;
  const auto lock = HotSyncLock::OnFolder(options.handheld);
  if (!lock) {
    std::cerr << "oq-hotsync: another HotSync of this handheld is running; try again when it has ended\n";
    return kExitConduitFailed;
  }
  standin::HandheldImage image(options.handheld);
  const auto path = image.FindDatabase(cataloguer::kCatalogueName);
  if (!path) {
    std::cerr << "oq-hotsync: " << options.handheld.string() << " holds no OQProgDB catalogue; run `oq-hotsync "
              << "catalog --handheld " << options.handheld.string() << "` first\n";
    return kExitUsage;
  }
  auto loaded = standin::HandheldImage::Load(*path);
  if (!loaded.database) {
    std::cerr << "oq-hotsync: the catalogue is damaged (" << loaded.detail << "); nothing was changed\n";
    return kExitUsage;
  }
  palm::Database& catalogue = *loaded.database;

  const size_t offset =
      options.flag == FlagOptions::Flag::kExclude ? layout::kExcludeFlagOffset : layout::kSkipFlagOffset;
  const char* meaning = options.flag == FlagOptions::Flag::kExclude
                            ? (options.set ? "not tracked any more" : "tracked again")
                            : (options.set ? "marked to be skipped" : "no longer marked to be skipped");
  std::set<std::string> found;
  std::vector<std::string> changed;
  for (auto& record : catalogue.records) {
    bytes::ByteReader reader(record.data);
    const std::string creator = reader.Text(layout::kCreatorCodeOffset, layout::kCodeLength);
    bool wanted = false;
    for (const auto& code : options.creators) wanted = wanted || code == creator;
    if (!wanted) continue;
    found.insert(creator);
    bytes::ByteWriter writer(record.data);
    writer.U8(offset, options.set ? 1 : 0);
    if (!writer.ok()) continue;  // a record too short to hold flags is no program's
    record.attributes |= palm::kRecordDirty;
    changed.push_back(reader.Text(layout::kProgramNameOffset, layout::kProgramNameLength) + " (" + creator + ")");
  }
  bool unknown = false;
  for (const auto& code : options.creators) {
    if (found.count(code) == 0) {
      std::cerr << "oq-hotsync: no program with the creator code \"" << code << "\" in the catalogue; `oq-hotsync "
                << "show --handheld " << options.handheld.string() << "` lists them (column CRTR)\n";
      unknown = true;
    }
  }
  if (unknown) return kExitUsage;  // nothing is written unless every code was found

  catalogue.modificationDate = palm::PalmNow();
  ++catalogue.modificationNumber;
  if (const auto saved = standin::HandheldImage::Save(*path, catalogue); !saved.ok()) {
    std::cerr << "oq-hotsync: the catalogue was not changed: " << saved.failure() << "\n";
    return kExitConduitFailed;
  }
  for (const auto& name : changed) std::cout << name << ": " << meaning << "\n";
  return kExitOk;
}

}  // namespace oq::hotsync
