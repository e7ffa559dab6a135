#include "live_install.h"

#include <iostream>

#include "handheld_image.h"

namespace oq::hotsync {

namespace {

// Empty when the database went over whole.
std::string Install(dlp::Client& client, const palm::Database& database) {
  const std::string name = database.Name();
  if (auto status = client.DeleteDb(name); !status.ok() && !status.IsDeviceError(dlp::kErrNotFound)) {
    return "the handheld would not replace its copy: " + status.Describe();
  }
  uint8_t handle = 0;
  dlp::NewDatabase created{name, palm::FourCCValue(database.creator), palm::FourCCValue(database.type),
                           database.attributes, database.version};
  if (auto status = client.CreateDb(created, handle); !status.ok()) {
    return "the handheld would not create it: " + status.Describe();
  }
  dlp::Status status;
  if (database.appInfo) status = client.WriteAppBlock(handle, *database.appInfo);
  if (status.ok() && database.sortInfo) status = client.WriteSortBlock(handle, *database.sortInfo);
  for (size_t i = 0; status.ok() && i < database.resources.size(); ++i) {
    const auto& resource = database.resources[i];
    status = client.WriteResource(handle, {palm::FourCCValue(resource.type), resource.id, 0, resource.data});
  }
  for (size_t i = 0; status.ok() && i < database.records.size(); ++i) {
    uint32_t id = 0;
    status = client.WriteRecord(handle, dlp::RecordDataOf(database.records[i]), id);
  }
  const auto closed = client.CloseDb(handle);
  if (!status.ok()) {
    // Half a database is no program: take it away again.
    if (client.linkFailure().ok()) client.DeleteDb(name);
    return "writing it failed: " + status.Describe();
  }
  if (!closed.ok()) return "closing it failed: " + closed.Describe();
  return {};
}

}  // namespace

bool InstallQueuedOnHandheld(standin::DesktopDirectory& desktop, const std::string& user, dlp::Client& client) {
  std::vector<std::string> problems;
  const auto queued = desktop.QueuedFiles(user, &problems);
  for (const auto& problem : problems) std::cerr << "oq-hotsync: cannot install " << problem << "\n";
  if (!problems.empty()) return false;
  for (const auto& file : queued) {
    const std::string shown = file.filename().string();
    auto loaded = standin::HandheldImage::Load(file);
    if (!loaded.database) {
      std::cerr << "oq-hotsync: cannot install " << shown << ": " << loaded.detail << "\n";
      continue;
    }
    if (const auto failure = Install(client, *loaded.database); !failure.empty()) {
      std::cerr << "oq-hotsync: cannot install " << shown << ": " << failure << "; it stays queued\n";
      if (!client.linkFailure().ok()) return false;
      continue;
    }
    std::error_code error;
    std::filesystem::remove(file, error);
    std::cerr << "oq-hotsync: installed " << shown << " on the handheld\n";
  }
  return true;
}

}  // namespace oq::hotsync
