/* The record a test hands the toolbox tour plug-in (selector 1, argument = its address): what
 * the plug-in needs, and what it saw while it called every slot of the HostToolbox that
 * procedure 257 gave it. */
#ifndef QUORIX_TESTS_TOOLBOX_TOUR_H
#define QUORIX_TESTS_TOOLBOX_TOUR_H

#include "plugin_sdk/host_toolbox.h"

typedef struct ToolboxTour {
  /* In. */
  const void* fileSpec; /* a file of 8 bytes, read 4 then 8 */
  int32_t synth;        /* a Synth for the blob slots */
  MemHandle pictureMap; /* a 2 x 2 32-bit pixel map of one colour */

  /* Out. */
  const HostToolbox* toolbox;      /* procedure 257's answer */
  const HostToolbox* toolboxAgain; /* its answer to a second call */
  uint64_t slotsCalled;            /* bit n: slot n (offset 48 + 4n) was called */

  int32_t newPtrMade;
  int32_t newHandleZeroed;
  int32_t handleSize;
  int32_t grownSize;
  int32_t grownDataIsHandleData;
  int32_t errorAfterCompact;
  int32_t memoryReady;
  int32_t freeMemory;
  int32_t maxMemory;
  int32_t duplicateEqual;

  int32_t newPortResult;
  BufferDesc portDesc;
  int32_t portWasCurrent;
  int32_t lockPixels;
  int32_t sameColorsCountZero;
  uint8_t copiedPixel[4];

  int32_t fileOpen;
  int32_t fileSize;
  int32_t firstRead;
  uint8_t firstBytes[4];
  int32_t secondRead;

  int32_t dialogMade;
  char itemText[256];
  int32_t itemInteger;
  double itemFloat;
  int32_t checkBox;
  int32_t scrollValue;
  int32_t finalHit;
  int32_t checkBoxAfterLoop;
  int32_t typedInteger;
  int32_t controlValue;
  int32_t unknownKindIsNull;
  int32_t popupSelection;
  intptr_t identity;

  int32_t blobId;
  int32_t blobFound;
  int32_t replaceResult;
  int32_t replacedFound;
  int32_t minusOne;
} ToolboxTour;

#endif
