// The preferences by the names the user sees, with their ranges: one table that `prefs show`
// prints and `prefs set` validates against.
#pragma once

#include <string>
#include <vector>

#include "host/preferences.h"

namespace quorix::app {

struct PreferenceField {
  const char* name;
  const char* values; // what the field accepts, for messages
  std::string (*get)(const host::EnginePreferences& prefs);
  // Sets the field from text; false (the field untouched) when the text is not a valid value.
  bool (*set)(host::EnginePreferences& prefs, const std::string& text);
};

const std::vector<PreferenceField>& preferenceFields();

// The field named `name` (letter case ignored), or null.
const PreferenceField* findPreferenceField(const std::string& name);

}  // namespace quorix::app
