// Dialogs, their items and controls: the small dialog toolkit that plug-in settings dialogs
// are written against.
//
// A dialog is built from a dialog template (ui/dialog_templates.h) as a window of the platform
// window layer, hidden until shown. Its items keep their text, check state and enabling; an
// item's control object (its value, range and kind) is made on the first request. Controls can
// also be made on their own for any window, and popup menus are built on controls of kind 1008.
// The modal loop asks a DialogDriver for the next item hit: the default driver reads the
// dialog window's mouse and key messages, tests install a scripted one.
//
// [render thread] Everything here runs on the thread that owns the windows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/window.h"
#include "ui/dialog_templates.h"

namespace quorix::ui {

// Control kinds. Kinds 0, 1 and 4 keep their value as set; a scroll bar keeps it within its
// range; a popup menu's value is its selected entry, from 1.
inline constexpr int32_t kPushButtonControl = 0;
inline constexpr int32_t kCheckBoxControl = 1;
inline constexpr int32_t kPlainControl4 = 4;
inline constexpr int32_t kScrollBarControl = 16;
inline constexpr int32_t kPopupMenuControl = 1008;

// A control. `owner` is the address the control was made for (a window or a dialog); controls
// are found and freed by it.
struct Control {
  const void* owner = nullptr;
  Rect16 bounds{};
  std::string title;
  bool visible = true;
  int32_t value = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
  int32_t kind = kPushButtonControl;
  intptr_t reference = 0;
  std::vector<std::string> entries;  // popup menus: the entries

  bool scrollBar() const { return kind == kScrollBarControl; }
  // Sets the value: a scroll bar clamps it to its range, a popup menu to its entries.
  void setValue(int32_t newValue);
  // Scroll bars only: sets the maximum and lowers the value to it when above.
  void setMaximum(int32_t newMaximum);
};

// True for the kinds newControl makes.
bool knownControlKind(int32_t kind);

// A new control of `kind` for `owner`, kept until freed; null for an unknown kind.
Control* newControl(const void* owner, const Rect16& bounds, const std::string& title,
                    bool visible, int32_t value, int32_t minimum, int32_t maximum, int32_t kind,
                    intptr_t reference);
// True while `control` is a control made here and not freed.
bool isControl(const Control* control);
void disposeControl(Control* control);
// Frees every control made for `owner`.
void disposeControls(const void* owner);

// The entries of a popup menu's text ("A;B;C").
std::vector<std::string> splitEntries(const std::string& text);

struct DialogItem {
  ItemKind kind = ItemKind::StaticText;
  Rect16 bounds{};
  std::string text;
  bool enabled = true;
  int32_t checked = 0;  // check boxes and radio buttons
  // The template's value, range and (popup menus) entries, for the control made on request.
  int32_t value = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
  Control* control = nullptr;  // made on the first request; owned by the dialog
};

class Dialog {
 public:
  // A dialog built from template `id`, owned by `owner` (may be null), its window hidden.
  // Null when the library has no such template or the window cannot be made.
  static std::unique_ptr<Dialog> create(int32_t id, platform::Window* owner);
  ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  int32_t id() const { return id_; }
  platform::Window* window() const { return window_; }
  platform::Window* owner() const { return owner_; }
  int32_t itemCount() const { return static_cast<int32_t>(items_.size()); }
  // Item `number` (from 1), or null outside the dialog.
  DialogItem* item(int32_t number);

  // A check box's (or radio button's) state, or the value of the item's control when it has
  // one; 0 for an unknown item.
  int32_t itemValue(int32_t number);
  void setItemValue(int32_t number, int32_t value);
  // Item text, at most 255 characters.
  std::string itemText(int32_t number);
  void setItemText(int32_t number, const std::string& text);
  void enableItem(int32_t number, bool enabled);
  // The item's control, made on the first request with the item's state: a scroll bar for a
  // "ScrollBar" item, a popup menu for a "ComboBox" item, else a plain control. Null for an
  // unknown item or when memory runs out.
  Control* itemControl(int32_t number);

  // Centres the window on the screen, shows it in front with the keyboard focus and dispatches
  // the messages already waiting for it.
  void show();
  bool visible() const;
  // Draws the items into the window.
  void paint();

  // The item under a point of the client area that is enabled and can be hit, or 0.
  int32_t itemAt(int32_t x, int32_t y) const;
  // The edit text item keys go to: the first enabled one until another is clicked; 0 for none.
  int32_t focusItem() const { return focusItem_; }
  void setFocusItem(int32_t number) { focusItem_ = number; }

 private:
  Dialog() = default;

  int32_t id_ = 0;
  platform::Window* window_ = nullptr;
  platform::Window* owner_ = nullptr;
  std::vector<DialogItem> items_;
  int32_t focusItem_ = 0;
};

// Answers the modal loop: the number of the next item hit in the dialog.
class DialogDriver {
 public:
  virtual ~DialogDriver() = default;
  virtual int16_t nextItemHit(Dialog& dialog) = 0;
};

// Runs the modal loop of `dialog` once: the item hit, from the installed driver.
int16_t modalDialog(Dialog& dialog);

// The driver in use: the window driver unless one was installed. The window driver waits for
// the dialog window's messages: a click on an enabled item hits it (check boxes and radio
// buttons are left for the caller to change), Return hits item 1, Escape and closing the
// window hit item 2, characters and Backspace edit the focused edit text and hit it.
DialogDriver& dialogDriver();
void setDialogDriver(DialogDriver* driver);  // null: the window driver

class ScopedDialogDriver {
 public:
  explicit ScopedDialogDriver(DialogDriver& driver) { setDialogDriver(&driver); }
  ~ScopedDialogDriver() { setDialogDriver(nullptr); }
  ScopedDialogDriver(const ScopedDialogDriver&) = delete;
  ScopedDialogDriver& operator=(const ScopedDialogDriver&) = delete;
};

// A driver for tests: answers the scripted hits in order, each after its action (typing into
// an item, moving a scroll bar...) has run on the dialog; item 2 (Cancel) when the script has
// run out, so that a loop always ends.
class ScriptedDialogDriver : public DialogDriver {
 public:
  struct Step {
    int16_t item;
    std::function<void(Dialog&)> action;
  };
  void hit(int16_t item, std::function<void(Dialog&)> action = nullptr) {
    steps.push_back({item, std::move(action)});
  }
  int16_t nextItemHit(Dialog& dialog) override;

  std::deque<Step> steps;
  int32_t answered = 0;  // hits answered so far, from the script or not
};

}  // namespace quorix::ui
