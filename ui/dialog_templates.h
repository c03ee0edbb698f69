// Dialog templates of the engine library: the item lists that dialogs are built from, looked
// up by resource id as the library's other resources are.
#pragma once

#include <cstdint>
#include <vector>

#include "plugin_sdk/quorix_types.h"

namespace quorix::ui {

enum class ItemKind {
  Button,
  CheckBox,
  RadioButton,
  EditText,
  StaticText,
  ScrollBar,
  PopupMenu,  // text: the entries, separated by ';'; value: the entry selected, from 1
  UserItem,   // an area the plug-in draws into itself
};

// The window class of an item of that kind ("Button", "Edit", "Static", "ScrollBar",
// "ComboBox", "UserItem").
const char* itemClassName(ItemKind kind);

struct ItemTemplate {
  ItemKind kind;
  Rect16 bounds;      // in the dialog's client area
  const char* text;   // Windows-1252
  int32_t value = 0;  // check state, scroll position or popup selection
  int32_t minimum = 0;
  int32_t maximum = 0;
  bool enabled = true;
};

struct DialogTemplate {
  int32_t id;
  const char* title;
  Rect16 bounds;  // the client area: top and left 0
  std::vector<ItemTemplate> items;  // item n is items[n - 1]
};

// The settings dialog of effect plug-ins.
inline constexpr int32_t kEffectSettingsDialogId = 128;

// The template with that id, or null when the library has none.
const DialogTemplate* dialogTemplate(int32_t id);

}  // namespace quorix::ui
