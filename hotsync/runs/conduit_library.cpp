#include "conduit_library.h"

#include <dlfcn.h>

#include <iostream>

#include "desktop_directory.h"
#include "desktop_paths.h"
#include "output_style.h"

namespace oq::hotsync {

namespace {

std::filesystem::path ResolveConduitPath(const std::optional<std::filesystem::path>& requested,
                                         const std::string& creator) {
  if (requested) return *requested;
  if (auto registered = standin::DesktopDirectory().ConduitLibrary(creator)) return *registered;
  return DefaultConduitPath();
}

template <typename Function>
Function Resolve(void* handle, const char* name) {
  return reinterpret_cast<Function>(dlsym(handle, name));
}
}  // namespace

std::unique_ptr<ConduitLibrary> ConduitLibrary::Load(const std::filesystem::path& path, std::string& error) {
  // Kept mapped after dlclose, as the HotSync Manager keeps its conduits:
  // unloading the conduit would unload libcurl and the thread-local data of
  // the libraries under it, which leak checkers then find dangling at exit.
  // Lazy: binding every function of the thirty libraries under libcurl up
  // front costs each HotSync milliseconds for calls it never makes; the
  // conduit is linked to bind its own imports at load all the same.
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = "cannot load the conduit " + path.string() + ": " + (reason ? reason : "unknown error");
    return nullptr;
  }
  std::unique_ptr<ConduitLibrary> library(new ConduitLibrary(handle, path));
  library->openConduit = Resolve<OpenConduitFunction>(handle, "OpenConduit");
  library->getConduitName = Resolve<GetConduitNameFunction>(handle, "GetConduitName");
  library->getConduitVersion = Resolve<GetConduitVersionFunction>(handle, "GetConduitVersion");
  library->getConduitInfo = Resolve<GetConduitInfoFunction>(handle, "GetConduitInfo");
  library->cfgConduit = Resolve<CfgConduitFunction>(handle, "CfgConduit");
  library->configureConduit = Resolve<ConfigureConduitFunction>(handle, "ConfigureConduit");
  if (!library->openConduit || !library->getConduitName || !library->getConduitVersion || !library->getConduitInfo) {
    error = path.string() +
            " is not a HotSync conduit: it lacks OpenConduit, GetConduitName, "
            "GetConduitVersion or GetConduitInfo";
    return nullptr;
  }
  return library;
}

ConduitLibrary::~ConduitLibrary() { dlclose(handle_); }

// Beside the program in a build tree; in the private library folder of an
// installed one.
std::filesystem::path DefaultConduitPath() {
  constexpr const char* kConduitFile = "OrbitQuail.so";
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return kConduitFile;
  const auto beside = self.parent_path() / kConduitFile;
  const auto installed = self.parent_path().parent_path() / ORBITQUAIL_PRIVATE_LIBDIR / kConduitFile;
  return std::filesystem::exists(beside, error) || !std::filesystem::exists(installed, error) ? beside : installed;
}

std::unique_ptr<ConduitLibrary> LoadConduit(const std::optional<std::filesystem::path>& requested,
                                            const std::string& creator) {
  std::string error;
  const auto path = ResolveConduitPath(requested, creator);
  if (CurrentVerbosity() == Verbosity::kVerbose) {
    std::cerr << "oq-hotsync: conduit " << path.string() << "; settings in " << storage::WindowsDirectory().string()
              << "; Palm Desktop folder " << storage::PalmDesktopDirectory().string() << "\n";
  }
  auto conduit = ConduitLibrary::Load(path, error);
  if (!conduit) std::cerr << "oq-hotsync: " << error << "\n";
  return conduit;
}

}  // namespace oq::hotsync
