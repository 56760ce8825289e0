#pragma once

#include "Fd.h"
#include "mdlTools.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The archive core's calls into the system for files and folders, one header
// for two implementations: PlatformFilesPosix.cpp and PlatformFilesWin32.cpp.
// Paths are UTF-8. A call that fails leaves errno set; the Windows calls turn
// the system's error into the errno value PakErrorFromErrno maps to the same
// code. The folder walk beneath a target is ExtractFolderCache's, the copy of
// large entries ExtractKernelCopy's, the path forms mdlTools'; each has its own
// pair of files named the same way.
namespace PlatformFiles {

// The separator of the paths the system hands out.
#ifdef _WIN32
inline constexpr char Separator = '\\';
#else
inline constexpr char Separator = '/';
#endif

// Whether one name of a stored path (raw Windows-1252; not empty, "." or "..")
// can name a file or folder of this system as it stands. Linux takes every
// such name. Windows refuses device names (CON, PRN, AUX, NUL, COM1-COM9,
// LPT1-LPT9, also with an extension: "CON.dds"), the characters < > : " | ? *
// and control characters (a colon would write an alternate data stream), and a
// name ending in a dot or a blank, which Windows would silently write as
// another name.
bool NameUsable(std::string_view name);

// What the core looks at in a file.
struct FileInfo
{
    bool Folder = false;
    bool Regular = false;
    bool ReadOnly = false; // no write permission for anyone, or Windows' read-only attribute
    int64_t Size = 0;
    uint64_t Volume = 0, Index = 0; // together they name the file
};
bool SameFile(const FileInfo &a, const FileInfo &b);

// The three times of a file; creation is 0 where the file system keeps none.
struct FileTimes
{
    mdlTools::FileTime Creation = 0, LastAccess = 0, LastWrite = 0;
};

// Opens a file for reading; nonBlocking keeps a FIFO from hanging the open.
Fd OpenRead(const std::string &path, bool nonBlocking = false);
// Up to size bytes at offset; the number read (0 at the end), or -1 with errno.
int64_t ReadAt(NativeHandle file, void *buffer, size_t size, int64_t offset);
// Up to size bytes at the file's position; the number written, or -1 with errno.
int64_t Write(NativeHandle file, const void *data, size_t size);
// Closes the file; false with errno when the system reports a failed write.
bool Close(Fd &file);

bool InfoOf(NativeHandle file, FileInfo &info);
// Following links; false when there is nothing.
bool InfoAt(const std::string &path, FileInfo &info);
FileTimes TimesOf(NativeHandle file);
// Stamps all three times where the system can (Linux cannot set the creation
// time); a failure is ignored.
void StampTimes(NativeHandle file, const FileTimes &times);

// The calls on a name inside a folder opened by ExtractFolderCache, given as its
// handle and its path with a trailing separator. A link with the name is never
// followed: it is what is looked at, replaced or removed.
// A new file, created exclusively for writing.
Fd CreateIn(NativeHandle dir, const std::string &dirPath, const std::string &name);
bool InfoIn(NativeHandle dir, const std::string &dirPath, const std::string &name, FileInfo &info);
FileTimes TimesIn(NativeHandle dir, const std::string &dirPath, const std::string &name);
// Renames from over to, replacing to.
bool RenameIn(NativeHandle dir, const std::string &dirPath, const std::string &from,
              const std::string &to);
// Removes a file; failures are ignored.
void RemoveIn(NativeHandle dir, const std::string &dirPath, const std::string &name);

} // namespace PlatformFiles
