// The controls of one dialog as the terminal stand-in keeps them: created
// from the module's template, changed by the dialog procedure through
// DialogControls and by the person or script driving the dialog.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "dialog_templates.h"
#include "dialogs.h"

namespace oq::terminal {

using resources::ControlKind;
using resources::ControlTemplate;
using resources::DialogTemplate;
using resources::kNoControlId;
using resources::Place;

class DialogState : public platform::DialogControls {
 public:
  struct Control {
    const ControlTemplate* source = nullptr;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool shown = true;
    std::vector<std::string> items;
    int selection = -1;
    uint32_t picture = 0;
  };

  explicit DialogState(const DialogTemplate& dialogTemplate);

  void SetItemText(int id, const char* text) override;
  std::string GetItemText(int id, int max) override;
  void CheckButton(int id, bool checked) override;
  void CheckRadioButton(int first, int last, int id) override;
  bool IsButtonChecked(int id) override;
  void EnableItem(int id, bool enabled) override;
  void ShowItem(int id, bool shown) override;
  void SetPicture(int id, uint32_t bitmapId) override;
  void SetIcon(uint32_t iconId) override;
  void AddSystemMenuItem(int command, const char* text) override;
  void ListAddString(int id, const char* text) override;
  int ListCount(int id) override;
  int ListSelection(int id) override;
  std::string ListText(int id, int index) override;
  void SetWaitCursor(bool waiting) override;
  void ShowMessage(const char* text, const char* caption) override;
  void EndDialog(int result) override;

  const DialogTemplate& dialogTemplate() const { return template_; }
  Control* Find(int id);
  bool ended() const { return ended_; }
  int result() const { return result_; }
  const std::vector<std::pair<std::string, std::string>>& messages() const { return messages_; }
  const std::vector<std::pair<int, std::string>>& systemMenu() const { return systemMenu_; }
  uint32_t icon() const { return icon_; }

  // The dialog as text for a person to read, within 80 columns.
  std::string Render() const;

 private:
  const DialogTemplate& template_;
  std::vector<Control> controls_;
  std::vector<std::pair<std::string, std::string>> messages_;  // text, caption
  std::vector<std::pair<int, std::string>> systemMenu_;
  uint32_t icon_ = 0;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace oq::terminal
