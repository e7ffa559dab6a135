// Figures for one tracking pass over 1000 catalogued programs against
// oq-tracker on loopback: wall time, time per program, TCP connections and
// the conduit's peak heap use during the pass.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sys/resource.h>

#include "child_process.h"
#include "handheld_files.h"
#include "handheld_host.h"
#include "product.h"
#include "sync_run.h"
#include "program_records.h"
#include "sync_manager.h"
#include "tracking_pass.h"

namespace {

// Every C++ allocation of this process is counted, so the peak during the
// pass is the conduit's own working memory (libcurl allocates with malloc).
std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};
bool counting = false;

void* Allocate(size_t size) {
  auto* block = static_cast<size_t*>(std::malloc(size + sizeof(size_t) * 2));
  if (block == nullptr) return nullptr;
  block[0] = size;
  if (counting) {
    const size_t now = liveBytes += size;
    size_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
  }
  return block + 2;
}

void Release(void* pointer) {
  if (pointer == nullptr) return;
  auto* block = static_cast<size_t*>(pointer) - 2;
  if (counting) liveBytes -= std::min(block[0], liveBytes.load());
  std::free(block);
}

constexpr int kPrograms = 1000;

}  // namespace

void* operator new(size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

int main() {
  using namespace oq;
  test::ScopedHome home;
  test::TempDir work;

  std::string catalog = "creator\tversion\tdate\tmsg\n";
  std::vector<std::vector<uint8_t>> records;
  for (int i = 0; i < kPrograms; ++i) {
    char creator[5];
    std::snprintf(creator, sizeof creator, "P%03d", i);
    catalog += std::string(creator) + "\t2." + std::to_string(i % 10) + "\t2026/11/" + std::to_string(1 + i % 28) +
               "\tVersion notes for program " + creator + "\n";
    records.push_back(test::MakeProgramRecord({.creator = creator, .name = std::string("Program ") + creator}));
  }
  test::WriteText(work.path() / "catalog.tsv", catalog);
  const auto image = work.path() / "handheld";
  std::filesystem::create_directories(image);
  test::WriteDatabase(image / "OQProgDB.pdb", test::MakeRecordDatabase("OQProgDB", "DATA", "rkOQ", records));
  test::WriteSavedPreferences(image, test::MakeTrackerPreference(0));

  test::TrackerProcess tracker({"--catalog", (work.path() / "catalog.tsv").string()});
  if (!tracker.running()) {
    std::fprintf(stderr, "oq-tracker did not start\n");
    return 1;
  }
  setenv("http_proxy", tracker.Url().c_str(), 1);

  handheld_host::BeginSync(image);
  uint8_t handle = 0;
  if (SyncOpenDB(product::kCatalogueName, 0, &handle, syncrun::kCatalogueOpenMode) != 0) return 1;
  int32_t result;
  std::chrono::duration<double> elapsed;
  {
    ProgressWindow progress;
    counting = true;
    const auto start = std::chrono::steady_clock::now();
    result = RunTrackingPass(handle, progress);
    elapsed = std::chrono::steady_clock::now() - start;
    counting = false;
  }
  SyncCloseDB(handle);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const size_t arrays = kPrograms * (368 + sizeof(RawRecordDescriptor));
  std::fprintf(stderr, "\n");
  std::printf("pass over %d programs: result %d, %.3f s wall, %.3f ms per program\n", kPrograms, result,
              elapsed.count(), elapsed.count() * 1000 / kPrograms);
  std::printf("TCP connections opened: %zu\n", tracker.ConnectionsSeen());
  std::printf("peak C++ heap during the pass: %zu bytes (the two arrays: %zu bytes, the rest: %zu bytes)\n",
              peakBytes.load(), arrays, peakBytes.load() - std::min(arrays, peakBytes.load()));
  std::printf("process peak resident set: %ld KiB\n", usage.ru_maxrss);
  return result == 0 ? 0 : 1;
}
