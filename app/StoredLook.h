#pragma once
// The font and colours of the text as the user's preferences keep them.

#include "app/Export.h"

class TMyRegistry;

// Where the preferences are kept, below the current user's root.
inline constexpr const char *kPreferencesPath = "\\Software\\Torvane\\Glimra 5.0";

// Reads the font name, its size, the background and the text colour, in
// that order, from an open store; what is missing takes its default.
TLook ReadStoredLook(TMyRegistry &reg);
