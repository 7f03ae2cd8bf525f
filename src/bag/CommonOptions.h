#pragma once
// Options kept in the user's configuration (QSettings) rather than in
// SETTING.DAT, whose twelve-byte record has no room for them. While the data
// folder is overridden (tests), they live in a file in that folder instead,
// so that no run reads another's options.

// Whether the fold lines are told apart by their line style; off when the
// configuration holds nothing.
bool ReadFoldStylesOption();
// Stores the option; false when the configuration could not be written.
bool WriteFoldStylesOption(bool on);
