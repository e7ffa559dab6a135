#include "dlp_database_write.h"

namespace oq::dlp {

DatabaseWrite WriteDatabase(Client& client, const palm::Database& database,
                            const std::function<void(const palm::Record&, uint32_t)>& written) {
  uint8_t handle = 0;
  const NewDatabase created{database.Name(), palm::FourCCValue(database.creator), palm::FourCCValue(database.type),
                            database.attributes, database.version};
  if (auto status = client.CreateDb(created, handle); !status.ok()) return {DatabaseWrite::Stage::kCreate, status};
  Status status;
  if (database.appInfo) status = client.WriteAppBlock(handle, *database.appInfo);
  if (status.ok() && database.sortInfo) status = client.WriteSortBlock(handle, *database.sortInfo);
  for (size_t i = 0; status.ok() && i < database.resources.size(); ++i) {
    const auto& resource = database.resources[i];
    status = client.WriteResource(handle, {palm::FourCCValue(resource.type), resource.id, 0, resource.data});
  }
  for (size_t i = 0; status.ok() && i < database.records.size(); ++i) {
    uint32_t id = 0;
    status = client.WriteRecord(handle, RecordDataOf(database.records[i]), id);
    if (status.ok() && written) written(database.records[i], id);
  }
  const auto closed = client.CloseDb(handle);
  if (!status.ok()) return {DatabaseWrite::Stage::kWrite, status};
  return {DatabaseWrite::Stage::kClose, closed};
}

}  // namespace oq::dlp
