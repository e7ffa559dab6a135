#include "live_install.h"

#include <iostream>

#include "dlp_database_write.h"
#include "handheld_image.h"

namespace oq::hotsync {

namespace {

Outcome Install(dlp::Client& client, const palm::Database& database) {
  const std::string name = database.Name();
  if (auto status = client.DeleteDb(name); !status.ok() && !status.IsDeviceError(dlp::kErrNotFound)) {
    return Outcome::Failed("the handheld would not replace its copy: " + status.Describe());
  }
  const auto written = dlp::WriteDatabase(client, database);
  switch (written.stage) {
    case dlp::DatabaseWrite::Stage::kCreate:
      return Outcome::Failed("the handheld would not create it: " + written.status.Describe());
    case dlp::DatabaseWrite::Stage::kWrite:
      // Half a database is no program: take it away again.
      if (client.linkFailure().ok()) client.DeleteDb(name);
      return Outcome::Failed("writing it failed: " + written.status.Describe());
    case dlp::DatabaseWrite::Stage::kClose:
      if (!written.ok()) return Outcome::Failed("closing it failed: " + written.status.Describe());
  }
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
    if (const auto installed = Install(client, *loaded.database); !installed.ok()) {
      std::cerr << "oq-hotsync: cannot install " << shown << ": " << installed.failure() << "; it stays queued\n";
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
