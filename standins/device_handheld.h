// The Sync Manager's database calls over a live handheld, one DLP command
// each: the same blocks filled as the folder fills them, the handheld's
// error codes passed through as Sync Manager codes.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "dlp_client.h"
#include "handheld_backend.h"
#include "palm_database.h"

namespace oq::standin {

// The Sync Manager code for a DLP call's outcome: the handheld's codes that
// the library pairs with its own (not found, not open, already open, too
// many open, read only, bad parameter) become those, others
// kErrDeviceBase + the code; a lost link is kErrLinkLost.
int32_t SyncResultOf(const dlp::Status& status);

class DeviceHandheld : public HandheldBackend {
 public:
  // Told of every record the handheld took: the database's name, the
  // record as written and the id the handheld keeps it under.
  using RecordWritten = std::function<void(const std::string& database, const palm::Record& record, uint32_t id)>;
  // Told of every application preference the handheld took.
  using PreferenceWritten = std::function<void(const PreferenceParameterBlock& preference)>;

  // `stopRequested` is asked before each call: once it says yes, calls
  // fail with kErrCancelled and nothing more goes to the handheld.
  DeviceHandheld(dlp::Client& client, std::function<bool()> stopRequested, RecordWritten recordWritten = {},
                 PreferenceWritten preferenceWritten = {})
      : client_(client),
        stopRequested_(std::move(stopRequested)),
        recordWritten_(std::move(recordWritten)),
        preferenceWritten_(std::move(preferenceWritten)) {}

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
  bool Stopped() const { return stopRequested_ && stopRequested_(); }

  dlp::Client& client_;
  std::function<bool()> stopRequested_;
  RecordWritten recordWritten_;
  PreferenceWritten preferenceWritten_;
  std::map<uint8_t, std::string> open_;  // handle: the database's name
};

}  // namespace oq::standin
