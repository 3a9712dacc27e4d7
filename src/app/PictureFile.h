// The desktop's side of saving a picture: which folder, and a file name no other file has.
// Plain functions over the file system, with no GL, so they can be tried on their own.
#pragma once

#include <string>

// The user's pictures folder: XDG_PICTURES_DIR from <configHome>/user-dirs.dirs (configHome
// empty: <home>/.config), with $HOME expanded; else <home>/Pictures if it is a folder; else home.
std::string picturesFolder(const std::string& home, const std::string& configHome);

// Creates folder/name, or name-2, name-3 and so on before its extension, the first that did not
// exist, and never replaces a file. Returns an open descriptor for writing with its path, or -1
// with errno set and the path of the last attempt.
int createNewFile(const std::string& folder, const std::string& name, std::string& path);
