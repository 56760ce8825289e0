#pragma once

#include "TestSupport.h"
#include "mdlTools.h"

#include <set>
#include <string>

// File system helpers for the core's tests, one implementation per system
// (CoreTestFilesPosix.cpp, CoreTestFilesWin32.cpp). Paths are UTF-8.

// folder followed by relative ("/" separated) in the form the extractor hands
// out: joined and separated by the system's separator.
std::string Under(const std::string &folder, const std::string &relative);

// The names in a folder, without "." and "..".
std::set<std::string> ListDir(const std::string &path);

// The three times of a file, links not followed.
struct TestFileTimes
{
    mdlTools::FileTime Creation = 0, LastAccess = 0, LastWrite = 0;
};
TestFileTimes TimesAt(const std::string &path);
// SetLastWrite and RemoveFile: TestSupport.h.

// Makes a file read-only the system's way (no write bits; the read-only attribute).
void MakeReadOnly(const std::string &path);
// Renames a file or folder.
bool RenamePath(const std::string &from, const std::string &to);

// A symbolic link at path to target; false where it cannot be made.
bool MakeSymlink(const std::string &target, const std::string &path);
// What the symbolic link at path points at; empty when path is no link.
std::string LinkTarget(const std::string &path);
// Whether the extractor follows a link below the target folder that stays inside
// it (Linux), or refuses every reparse point there (Windows).
extern const bool LinksFollowedInside;

// A FIFO at path; false where the system has none.
bool MakeFifo(const std::string &path);
