// Dialogs built from the calling module's templates, their controls named
// by identifier.
//
// A dialog procedure is written once against DialogControls; the platform
// runs it: RunModalDialog creates the template's dialog, calls OnInit, hands
// every command (a button clicked, a check box toggled, a list selection
// changed) to OnCommand until the procedure calls EndDialog, and returns the
// value given there. It blocks until then. A modeless dialog is created
// without a parent and shown at once; it stays until destroyed and needs no
// message loop of the caller's. Texts are copied during each call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace oq::platform {

// Standard command identifiers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 9;

// Notification codes of OnCommand.
inline constexpr int kNotifyClicked = 0;
inline constexpr int kNotifySelectionChange = 1;

class DialogControls {
 public:
  virtual ~DialogControls() = default;

  virtual void SetItemText(int id, const char* text) = 0;
  // At most max - 1 characters.
  virtual std::string GetItemText(int id, int max) = 0;
  virtual void CheckButton(int id, bool checked) = 0;
  // Checks `id` and unchecks the other buttons from `first` to `last`.
  virtual void CheckRadioButton(int first, int last, int id) = 0;
  virtual bool IsButtonChecked(int id) = 0;
  virtual void EnableItem(int id, bool enabled) = 0;
  virtual void ShowItem(int id, bool shown) = 0;
  // A bitmap resource of the module with light grey (0xC0C0C0) mapped to
  // the button face colour, as the image of a picture control.
  virtual void SetPicture(int id, uint32_t bitmapId) = 0;
  // The window's icon; also what the window shows while minimised, and the
  // icon it gives for dragging.
  virtual void SetIcon(uint32_t iconId) = 0;
  // An item of the window's system menu, after a separator.
  virtual void AddSystemMenuItem(int command, const char* text) = 0;

  // List boxes (sorted when the template says so).
  virtual void ListAddString(int id, const char* text) = 0;
  virtual int ListCount(int id) = 0;
  virtual int ListSelection(int id) = 0;  // -1 when none
  virtual std::string ListText(int id, int index) = 0;

  virtual void SetWaitCursor(bool waiting) = 0;
  // A message box owned by the dialog, with an OK button.
  virtual void ShowMessage(const char* text, const char* caption) = 0;
  virtual void EndDialog(int result) = 0;
};

class DialogProcedure {
 public:
  virtual ~DialogProcedure() = default;
  virtual void OnInit(DialogControls& dialog) = 0;
  virtual void OnCommand(DialogControls& dialog, int id, int notification) = 0;
  // The platform's help request (F1).
  virtual void OnHelpRequest(DialogControls&) {}
  virtual void OnSystemCommand(DialogControls&, int /*command*/) {}
  virtual void OnSystemColourChange(DialogControls&) {}
};

// Who owns a modal dialog (and is disabled while it runs): a program's main
// window has no owner; a conduit's dialog belongs to the window in front.
enum class DialogOwner { kForegroundWindow, kNone };

// Runs the template modally.
int RunModalDialog(uint32_t templateId, DialogProcedure& procedure, DialogOwner owner = DialogOwner::kForegroundWindow);

class ModelessDialog {
 public:
  struct Impl;
  explicit ModelessDialog(uint32_t templateId);
  ~ModelessDialog();
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;

  void SetItemText(int controlId, const char* text);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace oq::platform
