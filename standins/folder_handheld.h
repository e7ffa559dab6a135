// The Sync Manager's database calls over a handheld image directory: a
// database is loaded when opened and saved atomically when closed after a
// change; preferences live in the preference databases' resources.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "handheld_backend.h"
#include "handheld_image.h"

namespace oq::standin {

struct OpenDatabase {
  std::filesystem::path path;
  palm::Database database;
  uint8_t mode = 0;
  bool changed = false;
  // Indexes into database.records that the caller sees: secret records
  // only under the show-secret mode.
  std::vector<size_t> visible;
  // Every record by its unique id, so that a write finds its record in
  // constant time.
  std::unordered_map<uint32_t, size_t> recordById;
};

class FolderHandheld : public HandheldBackend {
 public:
  // Saves that fail are added to `saveFailures`, with what failed.
  FolderHandheld(std::filesystem::path directory, std::vector<std::string>& saveFailures)
      : image_(std::move(directory)), saveFailures_(saveFailures) {}

  int32_t OpenDb(const char* name, uint8_t mode, uint8_t& handle) override;
  int32_t CloseDb(uint8_t handle) override;
  int32_t ReadOpenDbInfo(uint8_t handle, DbInfoBlock& info) override;
  int32_t ReadRecordByIndex(RawRecordDescriptor& record) override;
  int32_t WriteRecord(RawRecordDescriptor& record) override;
  int32_t ReadAppPreference(PreferenceParameterBlock& preference) override;
  int32_t WriteAppPreference(const PreferenceParameterBlock& preference) override;
  size_t OpenCount() const override { return open_.size(); }
  int32_t CloseAll() override;

 private:
  OpenDatabase* FindOpen(uint8_t handle);
  int32_t Saved(const Outcome& saved);

  HandheldImage image_;
  std::vector<std::string>& saveFailures_;
  std::map<uint8_t, OpenDatabase> open_;
};

}  // namespace oq::standin
