/* A plug-in that calls every slot of the HostToolbox, as a settings dialog, an importer and an
 * effect with stored data would, and writes what it saw into the test's ToolboxTour. */
#include <string.h>

#include "plugin_sdk/host_environment.h"
#include "plugin_sdk/quorix_plugin.h"
#include "tests/plugin/toolbox_tour.h"

/* Calls a slot and marks it in the tour's mask. */
#define TB(slot) \
  (tour->slotsCalled |= 1ull << ((offsetof(HostToolbox, slot) - offsetof(HostToolbox, newPtr)) / sizeof(void*)), \
   tb->slot)

static void memory(const HostToolbox* tb, ToolboxTour* tour) {
  void* block = TB(newPtr)(16);
  tour->newPtrMade = block != NULL;
  TB(disposePtr)(block);

  MemHandle handle = TB(newHandle)(8);
  static const uint8_t zeros[8];
  tour->newHandleZeroed = memcmp(handle->data, zeros, 8) == 0;
  tour->handleSize = TB(handleSize)(handle);
  TB(lockHandle)(handle);
  TB(unlockHandle)(handle);
  TB(moveHandleHigh)(handle);
  memcpy(handle->data, "tour", 4);
  void* data = TB(setHandleSize)(handle, 32);
  tour->grownSize = TB(handleSize)(handle);
  tour->grownDataIsHandleData = data == handle->data;
  TB(compactMemory)();
  tour->errorAfterCompact = TB(memoryError)();
  tour->memoryReady = TB(memoryReady)();
  tour->freeMemory = TB(freeMemory)();
  tour->maxMemory = TB(maxMemory)();
  MemHandle copy = TB(duplicateHandle)(handle);
  tour->duplicateEqual = copy != NULL && copy->size == 32 && memcmp(copy->data, "tour", 4) == 0;
  TB(disposeHandle)(copy);
  TB(disposeHandle)(handle);
}

static void ports(const HostToolbox* tb, ToolboxTour* tour) {
  Rect16 bounds = {0, 0, 2, 2};
  PortRef port = NULL, saved = NULL, now = NULL;
  tour->newPortResult = TB(newOffscreenPort)(&port, 32, &bounds, NULL, NULL, 0);
  if (port == NULL) return;
  TB(describePort)(port, &tour->portDesc);
  TB(getPort)(&saved);
  TB(setPort)(port);
  TB(getPort)(&now);
  tour->portWasCurrent = now == port;
  tour->lockPixels = TB(lockPixels)(NULL);
  /* The test's picture copied into the current port, as an effect draws a picture it got. */
  Rect16 whole = {0, 0, 2, 2};
  TB(copyBits)(&tour->pictureMap, NULL, &whole, &whole, 0, NULL);
  memcpy(tour->copiedPixel, tour->portDesc.baseAddr, 4);
  TB(setPort)(saved);
  TB(disposeOffscreenPort)(port);

  ColorEntry a = {0, 0x1200, 0x3400, 0x5600}, b = {0, 0x9900, 0x9900, 0x9900};
  tour->sameColorsCountZero = TB(sameColors)(&a, &b, 0);
}

static void files(const HostToolbox* tb, ToolboxTour* tour) {
  FileRef file = TB(openFile)(tour->fileSpec, 1, 0);
  tour->fileOpen = TB(isFileOpen)(file);
  tour->fileSize = TB(fileSize)(file);
  tour->firstRead = TB(readFile)(file, tour->firstBytes, 4);
  uint8_t rest[8];
  tour->secondRead = TB(readFile)(file, rest, 8);
  TB(closeFile)(file);
  TB(addFileFilter)("Tour File (*.TUR)\0*.TUR");
}

static void dialogs(const HostToolbox* tb, ToolboxTour* tour) {
  PortRef saved = NULL;
  TB(getPort)(&saved);
  DialogRef dialog = TB(newDialog)(128, NULL, NULL);
  tour->dialogMade = dialog != NULL;
  if (dialog == NULL) return;
  TB(showDialog)(dialog);
  TB(setItemText)(dialog, 4, "\x03" "250", 1);
  TB(getItemText)(dialog, 4, tour->itemText, 0);
  TB(setItemInteger)(dialog, 10, -42);
  TB(getItemInteger)(dialog, 10, &tour->itemInteger);
  TB(setItemFloat)(dialog, 12, 1.5f);
  tour->itemFloat = TB(getItemFloat)(dialog, 12);
  TB(disableItem)(dialog, 5);
  TB(enableItem)(dialog, 5);
  TB(setItemValue)(dialog, 7, 1);
  TB(getItemValue)(dialog, 7, &tour->checkBox);

  ControlRef scroll = TB(getItemControl)(dialog, 17);
  TB(setControlMaximum)(scroll, 50);
  TB(setControlValue)(scroll, 80);
  tour->scrollValue = TB(getControlValue)(scroll);

  /* The loop of a settings dialog: check box 7 toggles, Ok or Cancel ends it. */
  int16_t hit = 0;
  do {
    TB(modalDialog)(NULL, &hit);
    if (hit == 7) tb->setItemValue(dialog, 7, !tb->getItemValue(dialog, 7, NULL));
  } while (hit != 1 && hit != 2);
  tour->finalHit = hit;
  tour->checkBoxAfterLoop = tb->getItemValue(dialog, 7, NULL);
  tour->typedInteger = tb->getItemInteger(dialog, 16, NULL);

  Rect16 bounds = {10, 10, 26, 110};
  ControlRef level = TB(newControl)((WindowRef)dialog, &bounds, "Level", 1, 5, 0, 10, 16, 0);
  tb->setControlValue(level, 99);
  tour->controlValue = tb->getControlValue(level);
  tour->unknownKindIsNull = tb->newControl((WindowRef)dialog, &bounds, "", 1, 0, 0, 1, 2, 0) == NULL;
  TB(disposeControls)((WindowRef)dialog);

  PopupRef popup = TB(newPopup)((WindowRef)dialog, &bounds, "One;Two;Three", 1, 1, 0, 0);
  TB(setPopupSelection)(popup, 3);
  tour->popupSelection = TB(getPopupSelection)(popup);
  TB(disposePopup)(popup);

  tour->identity = TB(identity)(12345);
  TB(disposeDialog)(dialog);
  tb->setPort(saved);
}

static void blobs(const HostToolbox* tb, ToolboxTour* tour) {
  MemHandle data = tb->newHandle(4);
  tour->blobId = TB(addBlob)(tour->synth, data, QX_FOURCC('T', 'O', 'U', 'R'));
  tour->blobFound = TB(findBlob)(tour->synth, tour->blobId) == data;
  MemHandle replacement = tb->newHandle(2);
  tour->replaceResult = TB(replaceBlob)(tour->synth, tour->blobId, replacement);
  tour->replacedFound = tb->findBlob(tour->synth, tour->blobId) == replacement;
  tour->minusOne = TB(alwaysMinusOne)();
}

QX_PLUGIN_ENTRY(PluginMain);

int32_t PluginMain(PluginCallBlock* block) {
  if (block->selector != QX_SELECTOR_OPEN) return 0;
  ToolboxTour* tour = (ToolboxTour*)block->argument;
  typedef const HostToolbox* (*ToolboxProc)(void);
  ToolboxProc toolboxProc = (ToolboxProc)block->environment->getHostProc(QX_HOST_PROC_TOOLBOX);
  if (toolboxProc == NULL) return 0;
  const HostToolbox* tb = toolboxProc();
  tour->toolbox = tb;
  tour->toolboxAgain = ((ToolboxProc)block->environment->getHostProc(QX_HOST_PROC_TOOLBOX))();
  memory(tb, tour);
  ports(tb, tour);
  files(tb, tour);
  dialogs(tb, tour);
  blobs(tb, tour);
  return 0;
}
