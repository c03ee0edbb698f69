#include <gtest/gtest.h>

#include <vector>

#include "platform/window/window.h"
#include "tests/support/png_writer.h"
#include "ui/dialog.h"

namespace quorix::ui {
namespace {

namespace pf = quorix::platform;

std::unique_ptr<Dialog> settingsDialog() {
  std::unique_ptr<Dialog> dialog = Dialog::create(kEffectSettingsDialogId, nullptr);
  EXPECT_NE(dialog, nullptr);
  return dialog;
}

TEST(DialogTemplates, TheSettingsDialogHoldsEveryItemKind) {
  const DialogTemplate* settings = dialogTemplate(kEffectSettingsDialogId);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(dialogTemplate(1), nullptr);
  std::vector<bool> seen(8, false);
  for (const ItemTemplate& item : settings->items) {
    seen[static_cast<size_t>(item.kind)] = true;
    // Every item lies inside the dialog.
    EXPECT_GE(item.bounds.top, 0);
    EXPECT_GE(item.bounds.left, 0);
    EXPECT_LE(item.bounds.bottom, settings->bounds.bottom) << item.text;
    EXPECT_LE(item.bounds.right, settings->bounds.right) << item.text;
  }
  for (size_t kind = 0; kind < seen.size(); ++kind) EXPECT_TRUE(seen[kind]) << kind;
  EXPECT_STREQ(itemClassName(ItemKind::ScrollBar), "ScrollBar");
  EXPECT_STREQ(itemClassName(ItemKind::CheckBox), "Button");
  EXPECT_STREQ(itemClassName(ItemKind::EditText), "Edit");
}

TEST(Dialog, ItemsStartFromTheTemplate) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  const DialogTemplate* settings = dialogTemplate(kEffectSettingsDialogId);
  ASSERT_EQ(dialog->itemCount(), static_cast<int32_t>(settings->items.size()));
  EXPECT_EQ(dialog->itemText(1), "Ok");
  EXPECT_EQ(dialog->itemText(4), "1000");
  EXPECT_EQ(dialog->itemValue(8), 1);   // radio button on
  EXPECT_EQ(dialog->itemValue(9), 0);
  EXPECT_EQ(dialog->item(0), nullptr);
  EXPECT_EQ(dialog->item(dialog->itemCount() + 1), nullptr);
  EXPECT_EQ(dialog->focusItem(), 4);  // the first edit text
  EXPECT_FALSE(dialog->visible());
  // The client area is the template's size.
  pf::WinRect client = pf::clientRect(dialog->window());
  EXPECT_EQ(pf::winRectWidth(client), 500);
  EXPECT_EQ(pf::winRectHeight(client), 260);
  EXPECT_EQ(pf::windowClassName(dialog->window()), "QuorixDialog");
  EXPECT_EQ(pf::windowTitle(dialog->window()), "Settings");
}

TEST(Dialog, ItemControlsAreMadeOnceWithTheItemsState) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  struct Case {
    int32_t item;
    int32_t kind;
    int32_t value;
    int32_t maximum;
  } cases[] = {{17, kScrollBarControl, 0, 100}, {18, kScrollBarControl, 100, 100},
               {6, kPopupMenuControl, 1, 3},    {7, kCheckBoxControl, 0, 0},
               {8, kPushButtonControl, 1, 0},   {4, kPushButtonControl, 0, 0}};
  for (const Case& c : cases) {
    Control* control = dialog->itemControl(c.item);
    ASSERT_NE(control, nullptr) << c.item;
    EXPECT_EQ(dialog->itemControl(c.item), control);
    EXPECT_EQ(control->kind, c.kind) << c.item;
    EXPECT_EQ(control->value, c.value) << c.item;
    EXPECT_EQ(control->maximum, c.maximum) << c.item;
  }
  EXPECT_EQ(dialog->itemControl(6)->entries, (std::vector<std::string>{"Normal", "High", "Draft"}));
  Control* scroll = dialog->itemControl(17);
  dialog.reset();
  EXPECT_FALSE(isControl(scroll));  // freed with the dialog
}

TEST(Dialog, ShowCentresTheWindowInFront) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  dialog->show();
  EXPECT_TRUE(dialog->visible());
  EXPECT_EQ(pf::focusWindow(), dialog->window());
  pf::ScreenInfo screen = pf::screenInfo();
  pf::WinRect outer = pf::windowRect(dialog->window());
  EXPECT_EQ(outer.left, (screen.width - pf::winRectWidth(outer)) / 2);
  EXPECT_EQ(outer.top, (screen.height - pf::winRectHeight(outer)) / 2);
}

TEST(Dialog, PaintingShowsTheItems) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  dialog->setItemValue(7, 1);
  dialog->itemControl(17)->setValue(50);
  dialog->enableItem(5, false);
  dialog->show();
  std::vector<uint32_t> pixels;
  int32_t width = 0, height = 0;
  ASSERT_TRUE(pf::readWindowPixels(dialog->window(), pixels, width, height));
  ASSERT_EQ(width, 500);
  ASSERT_EQ(height, 260);
  auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y * width + x)] & 0xFFFFFF; };
  EXPECT_EQ(at(2, 2), 0xECECECu);         // background
  EXPECT_EQ(at(400, 220), 0u);             // the Ok button's frame
  EXPECT_EQ(at(18, 53), 0u);               // check box 7 is checked
  EXPECT_EQ(at(18, 79), 0u);               // radio button 8 is on
  EXPECT_EQ(at(18, 101), 0xFFFFFFu);       // radio button 9 is off
  EXPECT_EQ(at(350 + 62 + 4, 78), 0x5A5A5Au);  // the scroll bar's thumb half way
  testing::writePng(testing::picturePath("settings_dialog.png"), pixels, width, height);
}

// The window driver: the dialog window's messages decide the item hit.
TEST(Dialog, TheWindowDriverAnswersClicksAndKeys) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  dialog->show();
  pf::Window* window = dialog->window();
  auto click = [&](int x, int y) {
    pf::postMessage(window, pf::kMsgLeftButtonDown, 0, pf::makeLParam(x, y));
  };
  auto key = [&](uint32_t code) {
    pf::postMessage(window, pf::kMsgKeyDown, code, pf::keyData(0, false, false));
  };
  click(20, 50);                 // check box 7
  click(20, 20);                 // static text: no hit
  dialog->enableItem(5, false);
  click(200, 20);                // disabled button 5: no hit
  click(250, 150);               // edit text 16 takes the focus
  key('4');
  key(pf::kVkOemMinus);
  key(pf::kVkBack);
  key('2');
  key(pf::kVkF1);                // not a character: no hit
  key(pf::kVkReturn);
  std::vector<int16_t> hits;
  for (int i = 0; i < 7; ++i) hits.push_back(modalDialog(*dialog));
  EXPECT_EQ(hits, (std::vector<int16_t>{7, 16, 16, 16, 16, 16, 1}));
  EXPECT_EQ(dialog->itemText(16), "742");

  key(pf::kVkEscape);
  EXPECT_EQ(modalDialog(*dialog), 2);
  pf::postMessage(window, pf::kMsgClose, 0, 0);
  EXPECT_EQ(modalDialog(*dialog), 2);
  EXPECT_TRUE(pf::isWindow(window));  // closing is left to the dialog's owner
}

TEST(Dialog, TheScriptedDriverRunsItsActionsAndEndsWithCancel) {
  std::unique_ptr<Dialog> dialog = settingsDialog();
  ScriptedDialogDriver driver;
  ScopedDialogDriver scoped(driver);
  driver.hit(10, [](Dialog& d) { d.setItemText(10, "55"); });
  EXPECT_EQ(modalDialog(*dialog), 10);
  EXPECT_EQ(dialog->itemText(10), "55");
  EXPECT_EQ(modalDialog(*dialog), 2);
  EXPECT_EQ(driver.answered, 2);
}

TEST(Controls, ValuesKeepToTheirKind) {
  int owner = 0;
  Control* scroll = newControl(&owner, Rect16{}, "", true, 50, 10, 20, kScrollBarControl, 0);
  EXPECT_EQ(scroll->value, 20);  // clamped when made
  scroll->setMaximum(15);
  EXPECT_EQ(scroll->value, 15);
  scroll->setMaximum(30);
  EXPECT_EQ(scroll->value, 15);
  scroll->setValue(-1);
  EXPECT_EQ(scroll->value, 10);
  Control* plain = newControl(&owner, Rect16{}, "", true, 50, 10, 20, kPlainControl4, 0);
  plain->setValue(-1);
  EXPECT_EQ(plain->value, -1);
  plain->setMaximum(3);
  EXPECT_EQ(plain->maximum, 20);
  EXPECT_EQ(newControl(&owner, Rect16{}, "", true, 0, 0, 0, 2, 0), nullptr);
  disposeControls(&owner);
  EXPECT_FALSE(isControl(scroll));
  EXPECT_FALSE(isControl(plain));
  EXPECT_EQ(splitEntries(""), std::vector<std::string>{});
  EXPECT_EQ(splitEntries("a;;b"), (std::vector<std::string>{"a", "", "b"}));
}

}  // namespace
}  // namespace quorix::ui
