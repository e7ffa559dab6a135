#include "saved_preferences.h"

#include "byte_codec.h"

namespace oq::palm::saved_preferences {

std::vector<uint8_t> Encode(uint16_t version, std::span<const uint8_t> bytes) {
  std::vector<uint8_t> resource;
  resource.reserve(kVersionLength + bytes.size());
  bytes::AppendU16Be(resource, version);
  bytes::AppendBytes(resource, bytes);
  return resource;
}

std::optional<Preference> Decode(std::span<const uint8_t> resource) {
  bytes::ByteReader reader(resource);
  const uint16_t version = reader.U16Be(0);
  if (!reader.ok()) return std::nullopt;
  return Preference{version, resource.subspan(kVersionLength)};
}

palm::Database NewDatabase(const char* name, uint32_t now) {
  palm::Database database;
  database.SetName(name);
  database.attributes = palm::kAttributeResourceDb;
  database.type = palm::FourCCFromText(kDatabaseType);
  database.creator = palm::FourCCFromText(kDatabaseCreator);
  database.creationDate = database.modificationDate = now;
  return database;
}

}  // namespace oq::palm::saved_preferences
