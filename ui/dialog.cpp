#include "ui/dialog.h"

#include <algorithm>
#include <cstring>
#include <list>

namespace quorix::ui {
namespace {

namespace pf = quorix::platform;

constexpr const char* kDialogClass = "QuorixDialog";
constexpr size_t kMaxItemText = 255;

// Every control made here, freed by owner or one by one. A list keeps addresses stable.
std::list<Control>& controls() {
  static std::list<Control> list;
  return list;
}

int32_t clampTo(int32_t value, int32_t low, int32_t high) {
  return high < low ? low : std::clamp(value, low, high);
}

bool hasCheckState(ItemKind kind) {
  return kind == ItemKind::CheckBox || kind == ItemKind::RadioButton;
}

bool hittable(ItemKind kind) {
  return kind != ItemKind::StaticText && kind != ItemKind::UserItem;
}

intptr_t dialogProc(pf::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto* dialog = reinterpret_cast<Dialog*>(pf::windowUserData(window));
  if (message == pf::kMsgPaint && dialog != nullptr) {
    dialog->paint();
    return 0;
  }
  // Closing a dialog is the modal loop's business (it answers Cancel), not the window's.
  if (message == pf::kMsgClose) return 0;
  return pf::defaultWindowProc(window, message, wParam, lParam);
}

bool registerDialogClass() {
  static const bool registered = [] {
    pf::WindowClass windowClass;
    windowClass.name = kDialogClass;
    windowClass.procedure = dialogProc;
    windowClass.background = pf::rgbColor(236, 236, 236);
    return pf::registerClass(windowClass);
  }();
  return registered;
}

void drawLabel(pf::DeviceContext* dc, const Rect16& at, int32_t inset, const std::string& text,
               bool centred) {
  int32_t width = 0, height = 0;
  pf::getTextExtent(dc, text.c_str(), static_cast<int>(text.size()), width, height);
  int32_t x = centred ? (at.left + at.right - width) / 2 : at.left + inset;
  int32_t y = (at.top + at.bottom - height) / 2;
  pf::textOut(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

void frame(pf::DeviceContext* dc, const Rect16& at, pf::ColorRef fill) {
  pf::selectPen(dc, pf::Pen{pf::PenStyle::Solid, 1, pf::rgbColor(0, 0, 0)});
  pf::selectBrush(dc, pf::Brush{false, fill});
  pf::rectangle(dc, at.left, at.top, at.right, at.bottom);
}

// The window driver: the dialog window's own messages decide.
class WindowDriver : public DialogDriver {
 public:
  int16_t nextItemHit(Dialog& dialog) override {
    pf::Message message;
    while (pf::isWindow(dialog.window())) {
      if (!pf::getMessage(message)) {
        pf::postQuitMessage(static_cast<int>(message.wParam));  // leave it for the main loop
        return kCancelItem;
      }
      if (message.window != dialog.window()) {
        pf::dispatchMessage(message);
        continue;
      }
      if (int16_t hit = answer(dialog, message); hit != 0) return hit;
      pf::dispatchMessage(message);
    }
    return kCancelItem;
  }

 private:
  static constexpr int16_t kOkItem = 1;
  static constexpr int16_t kCancelItem = 2;

  static int16_t answer(Dialog& dialog, const pf::Message& message) {
    switch (message.message) {
      case pf::kMsgClose:
        return kCancelItem;
      case pf::kMsgLeftButtonDown: {
        int32_t hit = dialog.itemAt(pf::lParamX(message.lParam), pf::lParamY(message.lParam));
        if (hit != 0 && dialog.item(hit)->kind == ItemKind::EditText) dialog.setFocusItem(hit);
        return static_cast<int16_t>(hit);
      }
      case pf::kMsgKeyDown:
        return key(dialog, static_cast<uint32_t>(message.wParam));
      default:
        return 0;
    }
  }

  static int16_t key(Dialog& dialog, uint32_t key) {
    if (key == pf::kVkReturn) return kOkItem;
    if (key == pf::kVkEscape) return kCancelItem;
    int32_t focus = dialog.focusItem();
    if (focus == 0) return 0;
    std::string text = dialog.itemText(focus);
    if (key == pf::kVkBack) {
      if (!text.empty()) text.pop_back();
    } else if (char c = character(key); c != 0) {
      text.push_back(c);
    } else {
      return 0;
    }
    dialog.setItemText(focus, text);
    return static_cast<int16_t>(focus);
  }

  static char character(uint32_t key) {
    if ((key >= '0' && key <= '9') || key == ' ') return static_cast<char>(key);
    if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
    if (key >= pf::kVkNumpad0 && key <= pf::kVkNumpad0 + 9) {
      return static_cast<char>('0' + (key - pf::kVkNumpad0));
    }
    if (key == pf::kVkOemMinus || key == pf::kVkSubtract) return '-';
    if (key == pf::kVkOemPeriod || key == pf::kVkDecimal) return '.';
    return 0;
  }
};

DialogDriver* gDriver = nullptr;

}  // namespace

void Control::setValue(int32_t newValue) {
  if (scrollBar()) {
    value = clampTo(newValue, minimum, maximum);
  } else if (kind == kPopupMenuControl) {
    value = clampTo(newValue, 1, std::max<int32_t>(static_cast<int32_t>(entries.size()), 1));
  } else {
    value = newValue;
  }
}

void Control::setMaximum(int32_t newMaximum) {
  if (!scrollBar()) return;
  maximum = newMaximum;
  if (value > maximum) value = maximum;
}

bool knownControlKind(int32_t kind) {
  return kind == kPushButtonControl || kind == kCheckBoxControl || kind == kPlainControl4 ||
         kind == kScrollBarControl || kind == kPopupMenuControl;
}

Control* newControl(const void* owner, const Rect16& bounds, const std::string& title,
                    bool visible, int32_t value, int32_t minimum, int32_t maximum, int32_t kind,
                    intptr_t reference) {
  if (!knownControlKind(kind)) return nullptr;
  Control control;
  control.owner = owner;
  control.bounds = bounds;
  control.title = title.substr(0, kMaxItemText);
  control.visible = visible;
  control.minimum = minimum;
  control.maximum = maximum;
  control.kind = kind;
  control.reference = reference;
  if (kind == kPopupMenuControl) control.entries = splitEntries(control.title);
  control.value = value;
  control.setValue(value);
  controls().push_back(std::move(control));
  return &controls().back();
}

bool isControl(const Control* control) {
  return control != nullptr &&
         std::any_of(controls().begin(), controls().end(),
                     [control](const Control& c) { return &c == control; });
}

void disposeControl(Control* control) {
  controls().remove_if([control](const Control& c) { return &c == control; });
}

void disposeControls(const void* owner) {
  controls().remove_if([owner](const Control& c) { return c.owner == owner; });
}

std::vector<std::string> splitEntries(const std::string& text) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

std::unique_ptr<Dialog> Dialog::create(int32_t id, pf::Window* owner) {
  const DialogTemplate* source = dialogTemplate(id);
  if (source == nullptr || !registerDialogClass()) return nullptr;
  std::unique_ptr<Dialog> dialog(new Dialog);
  dialog->id_ = id;
  dialog->owner_ = owner;
  for (const ItemTemplate& from : source->items) {
    DialogItem item;
    item.kind = from.kind;
    item.bounds = from.bounds;
    item.text = from.text;
    item.enabled = from.enabled;
    item.checked = hasCheckState(from.kind) ? from.value : 0;
    item.value = from.value;
    item.minimum = from.minimum;
    item.maximum = from.maximum;
    dialog->items_.push_back(std::move(item));
    if (dialog->focusItem_ == 0 && from.kind == ItemKind::EditText && from.enabled) {
      dialog->focusItem_ = static_cast<int32_t>(dialog->items_.size());
    }
  }
  pf::CreateWindowParams params;
  params.className = kDialogClass;
  params.title = source->title;
  params.style = pf::kStylePopup | pf::kStyleCaption;
  params.width = source->bounds.right - source->bounds.left;
  params.height = source->bounds.bottom - source->bounds.top;
  dialog->window_ = pf::createWindow(params);
  if (dialog->window_ == nullptr) return nullptr;
  // The caption's frame is outside the template's client area.
  pf::WinRect client = pf::clientRect(dialog->window_);
  pf::setWindowSize(dialog->window_, 2 * params.width - pf::winRectWidth(client),
                    2 * params.height - pf::winRectHeight(client));
  pf::setWindowUserData(dialog->window_, reinterpret_cast<intptr_t>(dialog.get()));
  return dialog;
}

Dialog::~Dialog() {
  for (DialogItem& item : items_) disposeControl(item.control);
  disposeControls(this);
  if (window_ != nullptr) {
    pf::setWindowUserData(window_, 0);
    pf::destroyWindow(window_);
  }
}

DialogItem* Dialog::item(int32_t number) {
  if (number < 1 || number > itemCount()) return nullptr;
  return &items_[static_cast<size_t>(number - 1)];
}

int32_t Dialog::itemValue(int32_t number) {
  DialogItem* at = item(number);
  if (at == nullptr) return 0;
  return at->control != nullptr ? at->control->value : at->checked;
}

void Dialog::setItemValue(int32_t number, int32_t value) {
  DialogItem* at = item(number);
  if (at == nullptr) return;
  if (at->control != nullptr) {
    at->control->setValue(value);
  } else {
    at->checked = value;
  }
  pf::invalidateWindow(window_);
}

std::string Dialog::itemText(int32_t number) {
  DialogItem* at = item(number);
  return at != nullptr ? at->text : std::string();
}

void Dialog::setItemText(int32_t number, const std::string& text) {
  DialogItem* at = item(number);
  if (at == nullptr) return;
  at->text = text.substr(0, std::min(text.find('\0'), kMaxItemText));
  pf::invalidateWindow(window_);
}

void Dialog::enableItem(int32_t number, bool enabled) {
  DialogItem* at = item(number);
  if (at == nullptr) return;
  at->enabled = enabled;
  pf::invalidateWindow(window_);
}

Control* Dialog::itemControl(int32_t number) {
  DialogItem* at = item(number);
  if (at == nullptr) return nullptr;
  if (at->control == nullptr) {
    int32_t kind = kPushButtonControl;
    std::string title = at->text;
    int32_t value = hasCheckState(at->kind) ? at->checked : at->value;
    if (at->kind == ItemKind::ScrollBar) kind = kScrollBarControl;
    if (at->kind == ItemKind::PopupMenu) kind = kPopupMenuControl;
    if (at->kind == ItemKind::CheckBox) kind = kCheckBoxControl;
    // Item controls belong to the item, not to a window's control list.
    at->control = newControl(nullptr, at->bounds, title, true, value, at->minimum, at->maximum,
                             kind, 0);
  }
  return at->control;
}

void Dialog::show() {
  pf::ScreenInfo screen = pf::screenInfo();
  pf::WinRect outer = pf::windowRect(window_);
  pf::setWindowPosition(window_, (screen.width - pf::winRectWidth(outer)) / 2,
                        (screen.height - pf::winRectHeight(outer)) / 2);
  pf::showWindow(window_, pf::kShowShow);
  pf::setFocus(window_);
  pf::invalidateWindow(window_);
  pf::Message message;
  while (pf::peekMessage(message, false) && message.window == window_) {
    pf::peekMessage(message, true);
    pf::dispatchMessage(message);
  }
}

bool Dialog::visible() const { return pf::isWindowVisible(window_); }

void Dialog::paint() {
  pf::DeviceContext* dc = pf::beginPaint(window_);
  if (dc == nullptr) return;
  pf::fillRect(dc, pf::clientRect(window_), pf::rgbColor(236, 236, 236));
  pf::setBackgroundMode(dc, pf::kBackgroundTransparent);
  for (DialogItem& item : items_) {
    pf::setTextColor(dc, item.enabled ? pf::rgbColor(0, 0, 0) : pf::rgbColor(150, 150, 150));
    const Rect16& at = item.bounds;
    int32_t value = item.control != nullptr ? item.control->value : item.value;
    switch (item.kind) {
      case ItemKind::Button:
        frame(dc, at, pf::rgbColor(250, 250, 250));
        drawLabel(dc, at, 0, item.text, true);
        break;
      case ItemKind::CheckBox:
      case ItemKind::RadioButton: {
        int16_t middle = static_cast<int16_t>((at.top + at.bottom) / 2);
        Rect16 box{static_cast<int16_t>(middle - 6), at.left, static_cast<int16_t>(middle + 6),
                   static_cast<int16_t>(at.left + 12)};
        frame(dc, box, pf::rgbColor(255, 255, 255));
        if (itemValue(static_cast<int32_t>(&item - items_.data()) + 1) != 0) {
          pf::fillRect(dc, pf::WinRect{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3},
                       pf::rgbColor(0, 0, 0));
        }
        drawLabel(dc, at, 18, item.text, false);
        break;
      }
      case ItemKind::EditText:
        frame(dc, at, pf::rgbColor(255, 255, 255));
        drawLabel(dc, at, 4, item.text, false);
        break;
      case ItemKind::StaticText:
        drawLabel(dc, at, 0, item.text, false);
        break;
      case ItemKind::ScrollBar: {
        frame(dc, at, pf::rgbColor(220, 220, 220));
        int32_t minimum = item.control != nullptr ? item.control->minimum : item.minimum;
        int32_t maximum = item.control != nullptr ? item.control->maximum : item.maximum;
        int32_t size = at.bottom - at.top;
        int32_t track = std::max<int32_t>(at.right - at.left - size, 0);
        int32_t left = at.left + (maximum > minimum ? track * (value - minimum) / (maximum - minimum) : 0);
        pf::fillRect(dc, pf::WinRect{left, at.top, left + size, at.bottom}, pf::rgbColor(90, 90, 90));
        break;
      }
      case ItemKind::PopupMenu: {
        frame(dc, at, pf::rgbColor(255, 255, 255));
        std::vector<std::string> entries =
            item.control != nullptr ? item.control->entries : splitEntries(item.text);
        if (value >= 1 && value <= static_cast<int32_t>(entries.size())) {
          drawLabel(dc, at, 4, entries[static_cast<size_t>(value - 1)], false);
        }
        pf::fillRect(dc, pf::WinRect{at.right - 14, at.top + 8, at.right - 6, at.bottom - 8},
                     pf::rgbColor(0, 0, 0));
        break;
      }
      case ItemKind::UserItem:
        break;
    }
  }
  pf::endPaint(window_, dc);
}

int32_t Dialog::itemAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    const DialogItem& item = items_[i];
    const Rect16& r = item.bounds;
    if (item.enabled && hittable(item.kind) && x >= r.left && x < r.right && y >= r.top &&
        y < r.bottom) {
      return static_cast<int32_t>(i + 1);
    }
  }
  return 0;
}

int16_t modalDialog(Dialog& dialog) { return dialogDriver().nextItemHit(dialog); }

DialogDriver& dialogDriver() {
  static WindowDriver windowDriver;
  return gDriver != nullptr ? *gDriver : windowDriver;
}

void setDialogDriver(DialogDriver* driver) { gDriver = driver; }

int16_t ScriptedDialogDriver::nextItemHit(Dialog& dialog) {
  ++answered;
  if (steps.empty()) return 2;
  Step step = std::move(steps.front());
  steps.pop_front();
  if (step.action) step.action(dialog);
  return step.item;
}

}  // namespace quorix::ui
