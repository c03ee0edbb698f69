#include "ui/dialog_templates.h"

namespace quorix::ui {
namespace {

constexpr Rect16 at(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  return Rect16{top, left, bottom, right};
}

// The settings dialog effect plug-ins open: Ok and Cancel, a duration with a set-up button,
// the playing options of a movie (loop, first loop, speed and direction groups with their
// controllers), a range of two scroll bars with their preview areas, and a quality menu.
std::vector<DialogTemplate> makeTemplates() {
  using K = ItemKind;
  DialogTemplate settings{kEffectSettingsDialogId, "Settings", at(0, 0, 260, 500), {
      {K::Button, at(220, 400, 244, 480), "Ok"},                                 // 1
      {K::Button, at(220, 300, 244, 380), "Cancel"},                             // 2
      {K::StaticText, at(12, 12, 28, 90), "Duration"},                           // 3
      {K::EditText, at(10, 96, 30, 160), "1000"},                                // 4
      {K::Button, at(8, 180, 32, 340), "Call QuickTime Set-Up"},                 // 5
      {K::PopupMenu, at(8, 350, 32, 490), "Normal;High;Draft", 1, 1, 3},          // 6
      {K::CheckBox, at(44, 12, 62, 200), "First loop from start"},               // 7
      {K::RadioButton, at(70, 12, 88, 160), "Constant Speed", 1},                // 8
      {K::RadioButton, at(92, 12, 110, 160), "Speed Controller"},                // 9
      {K::EditText, at(70, 170, 88, 230), "100"},                                // 10
      {K::StaticText, at(72, 234, 88, 250), "%"},                                // 11
      {K::EditText, at(92, 170, 110, 230), "7"},                                 // 12
      {K::RadioButton, at(140, 12, 158, 60), "+", 1},                            // 13
      {K::RadioButton, at(140, 64, 158, 112), "-"},                              // 14
      {K::RadioButton, at(140, 116, 158, 220), "Controller"},                    // 15
      {K::EditText, at(140, 230, 158, 290), "7"},                                // 16
      {K::ScrollBar, at(70, 350, 86, 490), "", 0, 0, 100},                        // 17
      {K::ScrollBar, at(194, 350, 210, 490), "", 100, 0, 100},                   // 18
      {K::CheckBox, at(170, 12, 188, 200), "Loop Sequence"},                     // 19
      {K::CheckBox, at(192, 12, 210, 200), "Play Selection"},                    // 20
      {K::RadioButton, at(114, 12, 132, 160), "Position Controller"},            // 21
      {K::UserItem, at(90, 350, 130, 490), ""},                                  // 22
      {K::CheckBox, at(44, 210, 62, 420), "High resolution controllers"},        // 23
      {K::UserItem, at(140, 350, 190, 490), ""},                                 // 24
  }};
  return {settings};
}

}  // namespace

const char* itemClassName(ItemKind kind) {
  switch (kind) {
    case ItemKind::Button:
    case ItemKind::CheckBox:
    case ItemKind::RadioButton: return "Button";
    case ItemKind::EditText: return "Edit";
    case ItemKind::StaticText: return "Static";
    case ItemKind::ScrollBar: return "ScrollBar";
    case ItemKind::PopupMenu: return "ComboBox";
    case ItemKind::UserItem: return "UserItem";
  }
  return "Static";
}

const DialogTemplate* dialogTemplate(int32_t id) {
  static const std::vector<DialogTemplate> templates = makeTemplates();
  for (const DialogTemplate& entry : templates) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

}  // namespace quorix::ui
