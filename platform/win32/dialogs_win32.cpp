// Dialogs from the module's templates with the Windows dialog manager.
//
// For tests and unattended runs, ORBITQUAIL_DIALOG_SCRIPT drives a modal
// dialog by control identifier with the same commands as the terminal
// stand-in (set, type and show ID, click, check, uncheck and choose ID,
// select ID TEXT, ok, cancel, help), through the real controls; its message
// boxes are then written to standard output instead of waiting for a click. ORBITQUAIL_DIALOG_CAPTURE
// names a folder where each scripted dialog is saved as
// "dialog-<template>.bmp" as it opens (a modeless one at its first text).
// Both stay in the product: the installer's unattended runs are scripted
// dialogs, and the checks and pictures of the shipped DLL need the DLL itself.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_script.h"
#include "dialogs.h"
#include "win32_module.h"

namespace oq::platform {

namespace {

constexpr UINT kRunScript = WM_APP + 1;
constexpr COLORREF kMappedColour = RGB(0xC0, 0xC0, 0xC0);

const char* Script() { return std::getenv(kDialogScriptVariable); }

// Saves the window as the person would see it, as a BMP in the capture folder.
void CaptureWindow(HWND window, uint32_t templateId) {
  const char* folder = std::getenv("ORBITQUAIL_DIALOG_CAPTURE");
  if (folder == nullptr || *folder == '\0') return;
  // The client area: without a window manager the frame is not drawn.
  RECT bounds;
  GetClientRect(window, &bounds);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&bounds), 2);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  // Let the dialog and its controls paint before the picture is taken.
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const DWORD until = GetTickCount() + 300;
  MSG message;
  while (GetTickCount() < until) {
    while (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(20);
  }
  BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
  const DWORD imageSize = stride * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageSize;
  const std::string path = std::string(folder) + "\\dialog-" + std::to_string(templateId) + ".bmp";
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(pixels, 1, imageSize, out);
    std::fclose(out);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

class WindowControls : public DialogControls {
 public:
  WindowControls(HWND window, DialogProcedure& procedure, uint32_t templateId)
      : window_(window), procedure_(procedure), templateId_(templateId) {}

  void SetItemText(int id, const char* text) override { SetDlgItemTextA(window_, id, text); }
  std::string GetItemText(int id, int max) override {
    if (max <= 0) return {};
    std::vector<char> text(static_cast<size_t>(max), '\0');
    GetDlgItemTextA(window_, id, text.data(), max);
    return text.data();
  }
  void CheckButton(int id, bool checked) override {
    CheckDlgButton(window_, id, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  void CheckRadioButton(int first, int last, int id) override { ::CheckRadioButton(window_, first, last, id); }
  bool IsButtonChecked(int id) override { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
  void EnableItem(int id, bool enabled) override { EnableWindow(GetDlgItem(window_, id), enabled); }
  void ShowItem(int id, bool shown) override { ShowWindow(GetDlgItem(window_, id), shown ? SW_SHOW : SW_HIDE); }
  void SetPicture(int id, uint32_t bitmapId) override {
    COLORMAP map{kMappedColour, GetSysColor(COLOR_BTNFACE)};
    HBITMAP bitmap = CreateMappedBitmap(ThisModule(), bitmapId, 0, &map, 1);
    auto previous = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(window_, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (previous != nullptr) DeleteObject(previous);
  }
  void SetIcon(uint32_t iconId) override {
    icon_ = LoadIconA(ThisModule(), MAKEINTRESOURCEA(iconId));
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  HICON icon() const { return icon_; }
  // Minimised, the dialog shows its icon centred on the button face.
  void PaintMinimised() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(window_, &paint);
  }
  void AddSystemMenuItem(int command, const char* text) override {
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (menu == nullptr) return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, command, text);
  }
  void ListAddString(int id, const char* text) override {
    SendDlgItemMessageA(window_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  int ListCount(int id) override { return static_cast<int>(SendDlgItemMessageA(window_, id, LB_GETCOUNT, 0, 0)); }
  int ListSelection(int id) override {
    const LRESULT selection = SendDlgItemMessageA(window_, id, LB_GETCURSEL, 0, 0);
    return selection == LB_ERR ? -1 : static_cast<int>(selection);
  }
  std::string ListText(int id, int index) override {
    const LRESULT length = SendDlgItemMessageA(window_, id, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return {};
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendDlgItemMessageA(window_, id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
  }
  void SetWaitCursor(bool waiting) override { SetCursor(LoadCursorA(nullptr, waiting ? IDC_WAIT : IDC_ARROW)); }
  void ShowMessage(const char* text, const char* caption) override {
    if (Script() != nullptr) {
      std::printf("[%s] %s\n", caption, text);
      std::fflush(stdout);
      return;
    }
    ::MessageBoxA(window_, text, caption, MB_OK);
  }
  void EndDialog(int result) override {
    ended_ = true;
    ::EndDialog(window_, result);
  }

  DialogProcedure& procedure() { return procedure_; }
  void RunScript(const char* script);

 private:
  HWND window_;
  DialogProcedure& procedure_;
  uint32_t templateId_;
  HICON icon_ = nullptr;
  bool ended_ = false;  // the window stays until the modal loop sees the end
};

void WindowControls::RunScript(const char* script) {
  using Verb = DialogCommand::Verb;
  if (ended_) return;                   // ended while it opened
  CaptureWindow(window_, templateId_);  // the dialog as it opens
  for (const auto& line : SplitDialogScript(script)) {
    const DialogScriptLine parsed = ParseDialogLine(line);
    if (!parsed.error.empty()) {
      // A script stops at its first error; the dialog closes as with Cancel.
      std::fprintf(stderr, "dialog script: %s; the dialog is closed as with Cancel\n", parsed.error.c_str());
      break;
    }
    if (!parsed.command) continue;
    const DialogCommand& command = *parsed.command;
    HWND control = GetDlgItem(window_, command.id);
    if (command.verb == Verb::kSet) {
      SetDlgItemTextA(window_, command.id, command.text.c_str());
    } else if (command.verb == Verb::kType && control != nullptr) {
      for (unsigned char c : command.text) SendMessageA(control, WM_CHAR, c, 0);
    } else if (command.verb == Verb::kShow) {
      char text[1024] = {};
      GetDlgItemTextA(window_, command.id, text, sizeof text);
      std::printf("%d=%s\n", command.id, text);
      std::fflush(stdout);
    } else if (command.verb == Verb::kClick && control != nullptr) {
      SendMessageA(control, BM_CLICK, 0, 0);
    } else if ((command.verb == Verb::kCheck || command.verb == Verb::kUncheck) && control != nullptr) {
      const bool checked = IsDlgButtonChecked(window_, command.id) == BST_CHECKED;
      if (checked != (command.verb == Verb::kCheck)) SendMessageA(control, BM_CLICK, 0, 0);
    } else if (command.verb == Verb::kChoose && control != nullptr) {
      SendMessageA(control, BM_CLICK, 0, 0);
    } else if (command.verb == Verb::kSelect && control != nullptr) {
      SendMessageA(control, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(command.text.c_str()));
      SendMessageA(window_, WM_COMMAND, MAKEWPARAM(command.id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else if (command.verb == Verb::kSystemMenu) {
      procedure_.OnSystemCommand(*this, command.id);
    } else if (command.verb == Verb::kHelpRequest) {
      procedure_.OnHelpRequest(*this);
    }
    if (ended_) return;
  }
  // A script that runs out closes the dialog as Cancel would.
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

struct DialogStart {
  DialogProcedure* procedure;
  uint32_t templateId;
};

INT_PTR CALLBACK DialogMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* controls = reinterpret_cast<WindowControls*>(GetWindowLongPtrA(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      auto* start = reinterpret_cast<DialogStart*>(lParam);
      controls = new WindowControls(window, *start->procedure, start->templateId);
      SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(controls));
      controls->procedure().OnInit(*controls);
      if (Script() != nullptr) PostMessageA(window, kRunScript, 0, 0);
      return TRUE;
    }
    case kRunScript:
      if (controls != nullptr) controls->RunScript(Script());
      return TRUE;
    case WM_COMMAND:
      if (controls != nullptr) controls->procedure().OnCommand(*controls, LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HELP:
      if (controls != nullptr) controls->procedure().OnHelpRequest(*controls);
      return TRUE;
    case WM_SYSCOMMAND:
      if (controls != nullptr) controls->procedure().OnSystemCommand(*controls, static_cast<int>(wParam));
      return FALSE;  // the default handling for the rest
    case WM_PAINT:
      if (controls == nullptr || controls->icon() == nullptr || !IsIconic(window)) return FALSE;
      controls->PaintMinimised();
      return TRUE;
    case WM_QUERYDRAGICON:
      if (controls == nullptr || controls->icon() == nullptr) return FALSE;
      return reinterpret_cast<INT_PTR>(controls->icon());
    case WM_SYSCOLORCHANGE:
      if (controls != nullptr) controls->procedure().OnSystemColourChange(*controls);
      return FALSE;
    case WM_NCDESTROY:
      delete controls;
      SetWindowLongPtrA(window, DWLP_USER, 0);
      return FALSE;
    default: return FALSE;
  }
}

INT_PTR CALLBACK ModelessMessages(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int RunModalDialog(uint32_t templateId, DialogProcedure& procedure, DialogOwner owner) {
  DialogStart start{&procedure, templateId};
  HWND parent = owner == DialogOwner::kForegroundWindow ? GetForegroundWindow() : nullptr;
  return static_cast<int>(DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(templateId), parent, DialogMessages,
                                          reinterpret_cast<LPARAM>(&start)));
}

struct ModelessDialog::Impl {
  HWND window = nullptr;
  uint32_t templateId = 0;
  bool captured = false;
};

ModelessDialog::ModelessDialog(uint32_t templateId) : impl_(std::make_unique<Impl>()) {
  impl_->templateId = templateId;
  impl_->window = CreateDialogParamA(ThisModule(), MAKEINTRESOURCEA(templateId), nullptr, ModelessMessages, 0);
  if (impl_->window != nullptr) ShowWindow(impl_->window, SW_SHOW);
}

ModelessDialog::~ModelessDialog() {
  if (impl_->window != nullptr) DestroyWindow(impl_->window);
}

void ModelessDialog::SetItemText(int controlId, const char* text) {
  if (impl_->window == nullptr) return;
  SetDlgItemTextA(impl_->window, controlId, text);
  UpdateWindow(impl_->window);
  if (!impl_->captured) {
    CaptureWindow(impl_->window, impl_->templateId);
    impl_->captured = true;
  }
}

}  // namespace oq::platform
