// Atomic file replacement for the stand-ins built for Windows: temporary
// file beside the target, flushed, then moved over it.
#include <windows.h>

#include "atomic_file.h"

namespace oq::storage {

void RemoveLeftoverTemporaries(const std::filesystem::path& path) { DeleteFileA((path.string() + ".tmp").c_str()); }

Outcome WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                            FileAccess /*access: the folder's permissions apply*/) {
  const std::string temporary = path.string() + ".tmp";
  HANDLE file =
      CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Outcome::Failed("cannot create " + temporary);
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(temporary.c_str());
    return Outcome::Failed("cannot write " + temporary);
  }
  if (!MoveFileExA(temporary.c_str(), path.string().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(temporary.c_str());
    return Outcome::Failed("cannot replace " + path.string());
  }
  return {};
}

}  // namespace oq::storage
