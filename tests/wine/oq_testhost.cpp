// The Wine suite's host: loads OrbitQuail.dll the way the HotSync Manager
// does (LoadLibrary, exports by name) and calls it against the stand-in
// libraries beside it.
//
//   oq_testhost sync HANDHELD [--action N] [--api MAJOR.MINOR] [--fail OP:N:CODE]
//   oq_testhost identity
//   oq_testhost cfg
//   oq_testhost configure ACTION
//   oq_testhost installer-window INSTALLER.EXE
//                                  starts the installer with a window of ours
//                                  in front, and tells who owns its dialog and
//                                  whether ours stays enabled; then presses Exit
//   oq_testhost mapped-bitmap ID   the corner pixel of bitmap ID with light
//                                  grey mapped to 0x123456, as the dialogs map it
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conduit_interface.h"

extern "C" {
void OqHostBeginSync(const char* directory);
int OqHostEndSync(void);
void OqHostSetApiVersion(unsigned major, unsigned minor);
void OqHostFailNthCall(int operation, int nth, int code);
int OqHostHandheldLog(char* buffer, int size);
}

namespace {

HMODULE conduit = nullptr;

template <typename Function>
Function Export(const char* name) {
  auto function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(conduit, name)));
  if (function == nullptr) {
    std::fprintf(stderr, "OrbitQuail.dll does not export %s\n", name);
    std::exit(2);
  }
  return function;
}

int32_t Progress(char*) { return 0; }

int Sync(int argc, char** argv) {
  if (argc < 3) return 2;
  SyncProperties properties{};
  OqHostBeginSync(argv[2]);
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--action") == 0) properties.syncAction = std::atoi(argv[i + 1]);
    unsigned major = 0, minor = 0;
    if (std::strcmp(argv[i], "--api") == 0 && std::sscanf(argv[i + 1], "%u.%u", &major, &minor) == 2) {
      OqHostSetApiVersion(major, minor);
    }
    int operation = 0, nth = 0, code = 0;
    if (std::strcmp(argv[i], "--fail") == 0 && std::sscanf(argv[i + 1], "%d:%d:%d", &operation, &nth, &code) == 3) {
      OqHostFailNthCall(operation, nth, code);
    }
  }
  const int32_t result = Export<OpenConduitFunction>("OpenConduit")(Progress, &properties);
  OqHostEndSync();
  static char log[4096];
  OqHostHandheldLog(log, sizeof log);
  std::fputs(log, stdout);
  std::printf("result=0x%X\n", static_cast<unsigned>(result));
  return result == 0 ? 0 : 1;
}

int Identity() {
  char name[256] = {};
  const int got = Export<GetConduitNameFunction>("GetConduitName")(name, sizeof name);
  std::printf("name=%d %s\n", got, name);
  char cut[8] = {};
  Export<GetConduitNameFunction>("GetConduitName")(cut, 4);
  std::printf("name4=%s\n", cut);
  std::printf("version=0x%X\n", Export<GetConduitVersionFunction>("GetConduitVersion")());
  auto info = Export<GetConduitInfoFunction>("GetConduitInfo");
  ConduitNameRequest request{1, 80, 0x726B4F51, 1, "Wine User"};
  ConduitNameRequest wrong = request;
  wrong.size = 88;
  uint32_t value = 0, four = 4, eight = 8, size = sizeof name;
  std::printf("nulloutput=%d\n", info(0, &request, nullptr, &size));
  std::printf("nullsize=%d\n", info(0, &request, name, nullptr));
  std::printf("nullinput=%d\n", info(0, nullptr, name, &size));
  std::printf("badblock=%d\n", info(0, &wrong, name, &size));
  const int named = info(0, &request, name, &size);
  std::printf("kind0=%d %s\n", named, name);
  std::printf("kind1size8=%d\n", info(1, nullptr, &value, &eight));
  int result = info(1, nullptr, &value, &four);
  std::printf("kind1=%d 0x%X\n", result, value);
  result = info(2, nullptr, &value, &four);
  std::printf("kind2=%d 0x%X\n", result, value);
  std::printf("kind3=%d\n", info(3, nullptr, &value, &four));
  return 0;
}

int Cfg() {
  auto cfg = Export<CfgConduitFunction>("CfgConduit");
  ConduitConfiguration block{};
  block.version = 1;
  block.size = sizeof block;
  block.creator = 0x726B4F51;
  block.userId = 1;
  std::strcpy(block.userName, "Wine User");
  block.permanentAction = 0;
  block.temporaryAction = 0;
  ConduitConfiguration wrongVersion = block;
  wrongVersion.version = 2;
  uint32_t size = sizeof block, wrongSize = 348;
  std::printf("nullblock=%d\n", cfg(1, nullptr, nullptr));
  std::printf("nullsize=%d\n", cfg(1, &block, nullptr));
  std::printf("badsize=%d\n", cfg(1, &block, &wrongSize));
  std::printf("badtype=%d\n", cfg(1, &wrongVersion, &size));
  std::printf("badversion=%d\n", cfg(0, &wrongVersion, &size));
  const int shown = cfg(0, &block, &size);
  std::printf("dialog=%d chosen=%d kind=%d\n", shown, block.chosenAction, block.preferenceKind);
  return 0;
}

int Configure(int argc, char** argv) {
  LegacySyncPreference preference{};
  preference.action = argc > 2 ? std::atoi(argv[2]) : 0;
  const int result = Export<ConfigureConduitFunction>("ConfigureConduit")(&preference);
  std::printf("configure=%d action=%d kind=%d\n", result, preference.action, preference.preferenceKind);
  return 0;
}

int MappedBitmap(int argc, char** argv) {
  if (argc < 3) return 2;
  COLORMAP map{RGB(0xC0, 0xC0, 0xC0), RGB(0x12, 0x34, 0x56)};
  HBITMAP bitmap = CreateMappedBitmap(conduit, std::atoi(argv[2]), 0, &map, 1);
  if (bitmap == nullptr) return 1;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  const COLORREF corner = GetPixel(dc, 0, 0);
  std::printf("corner=%02X%02X%02X\n", GetRValue(corner), GetGValue(corner), GetBValue(corner));
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(bitmap);
  return 0;
}

int InstallerWindow(int argc, char** argv) {
  if (argc < 3) return 2;
  HWND front = CreateWindowExA(0, "STATIC", "in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(front);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string command = std::string("\"") + argv[2] + "\"";
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return 1;
  }
  HWND dialog = nullptr;
  // Visible once it is initialised.
  for (int i = 0; i < 200 && (dialog == nullptr || !IsWindowVisible(dialog)); ++i) {
    Sleep(50);
    dialog = FindWindowA(nullptr, "OrbitQuail Installer");
  }
  if (dialog == nullptr) {
    TerminateProcess(process.hProcess, 1);
    std::printf("no installer window\n");
    return 1;
  }
  std::printf("owner=%s\n", GetWindow(dialog, GW_OWNER) == nullptr ? "none" : "a window");
  std::printf("front=%s\n", IsWindowEnabled(front) ? "enabled" : "disabled");
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  DestroyWindow(front);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: oq_testhost sync DIR [options] | identity | cfg | configure ACTION\n");
    return 2;
  }
  conduit = LoadLibraryA("OrbitQuail.dll");
  if (conduit == nullptr) {
    std::fprintf(stderr, "cannot load OrbitQuail.dll (error %lu)\n", GetLastError());
    return 2;
  }
  const std::string command = argv[1];
  if (command == "sync") return Sync(argc, argv);
  if (command == "identity") return Identity();
  if (command == "cfg") return Cfg();
  if (command == "configure") return Configure(argc, argv);
  if (command == "mapped-bitmap") return MappedBitmap(argc, argv);
  if (command == "installer-window") return InstallerWindow(argc, argv);
  return 2;
}
