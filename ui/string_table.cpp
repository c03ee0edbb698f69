#include "ui/string_table.h"

#include <iterator>

namespace quorix::ui {
namespace {

struct StringResource {
  int id;
  const char* text;
};

constexpr StringResource kStrings[] = {
    {kStringLibraryName, "Quorix Visualizer 1_0"},
    {kStringMidiRestart, "To actually switch to the new MIDI driver, you must now restart Kyrel."},
    {kStringPatchMemory, "Memory allocation error while creating a Patch!"},
    {kStringEngineActive,
     "Sorry, this action can not be performed while the Quorix engine is active. Please "
     "deactivate it and try again."},
    {kStringSelectSynth, "Select a Synth or Patch and try again!"},
    {kStringSwitchTo256, "Please switch to 256 colors and try again!"},
    {kStringScreenTooLarge,
     "The screen size is larger than the monitor! Please open Synth Info, change the screen "
     "size and try again."},
    {kStringNotEnoughMemory,
     "Not enough memory available. Quit Kyrel, assign more memory from the Finder and try "
     "again."},
    {kStringOpenFailed, "Error while opening file. File not found or damaged."},
    {kStringDiskError, "Fatal error accessing disk volume!"},
    {kStringOtherVersion,
     "This file was created with another version of Kyrel. It can not be opened with this "
     "version."},
    {kStringSynthDamaged,
     "This Synth file seems to be damaged. We recommend you to not use this file!"},
    {kStringPatchDamaged,
     "This Patch file seems to be damaged. We recommend you to not use this file!"},
    {kStringFileDamaged, "This file seems to be damaged. We recommend you to not use this file!"},
    {kStringMovieTableDamaged,
     "This movie database seems to be damaged. We recommend you to not use this file!"},
    {kStringObjectTableDamaged,
     "This 3D database seems to be damaged. We recommend you to not use this file!"},
    {kStringMovieNotBeside,
     "The QuickTime movie must be in the same folder as the Synth file! Please move it and try "
     "again."},
    {kStringAlreadyOpen, "This file is already open ..."},
    {kStringMovieNotInOriginal,
     "The QuickTime movie is not found in the original folder. Please reload it!"},
    {kStringDiskNotWorking, "Your CD is not working properly, correct and try again !"},
};

}  // namespace

const char* stringResource(int id) {
  for (const StringResource& entry : kStrings) {
    if (entry.id == id) return entry.text;
  }
  return nullptr;
}

}  // namespace quorix::ui
