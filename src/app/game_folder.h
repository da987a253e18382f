// The game folder: where exec.vrs, the archives, the loose overrides and the files the game writes
// (main.cfg, top.dat, avr.sav) live. The game works in it as its working directory.
//
// Chosen once at start-up, before anything is read:
//   --game-dir DIR                 DIR (created when missing)
//   the working directory          when it holds game files (a *.vrk archive or exec.vrs)
//   $XDG_DATA_HOME/aviorra         otherwise, when an installed content folder exists
//                                  (default ~/.local/share/aviorra; created when missing)
//   the working directory          otherwise (nothing changes)
// A chosen folder other than the working directory reads the installed archives behind its own and
// gets a copy of the installed exec.vrs while it has none.
#pragma once

#include <filesystem>
#include <string>

// Whether `folder` holds game files: a lower-case *.vrk regular file or exec.vrs.
bool GameFolderHoldsGameFiles(const std::filesystem::path& folder);

// The per-user folder: $XDG_DATA_HOME/aviorra when that is an absolute path, else
// $HOME/.local/share/aviorra (HOME from the password database when unset); empty when neither is known.
std::filesystem::path GameFolderPerUser(const char* xdgDataHome, const char* home);

// The installed content folder next to the running binary (bin/../share/aviorra) when it holds game
// files; empty otherwise.
std::filesystem::path GameFolderInstalledContent();

// Chooses the game folder by the rule above, with `installed` as the installed content folder (empty:
// none) and the environment's XDG_DATA_HOME and HOME; makes it the working directory, copies the
// default exec.vrs in when needed and sets the installed archives behind it. False with the reason in
// `error` when the folder cannot be created or entered.
bool GameFolderEnter(const std::string& explicitFolder, const std::filesystem::path& installed, std::string& error);

// The working directory's path; empty when it cannot be read.
std::string GameFolderWorkingDirectory();
// A relative, non-empty `path` as seen from `startFolder` (a former working directory), so that it
// names the same file after the game folder is entered; any other path unchanged.
std::string GameFolderOutsidePath(const std::string& path, const std::string& startFolder);
