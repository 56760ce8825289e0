#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The file system calls of the profile-file reader and writer, one
// implementation per system (ProfileFileIoPosix.cpp, ProfileFileIoWin32.cpp).
// Paths are UTF-8.
namespace ProfileFileIo {

// A whole file as one read found it.
struct Contents
{
    bool Complete = false;          // read in full, or there is no such file
    bool Exists = false;            // false: there is no such file, it reads as empty
    std::unique_ptr<char[]> Buffer; // not zeroed first: read for every text of every window
    std::size_t Size = 0;
    // What a rewrite keeps of the old file: the permission bits and owner on
    // POSIX, the file attributes on Windows.
    uint32_t Mode = 0;
    uint32_t Owner = 0;
    uint32_t Group = 0;

    std::string_view Bytes() const { return {Buffer.get(), Size}; }
};

// Reads a regular file of at most maxSize bytes in one go. A missing file (or
// folder) is Complete and not Exists; anything else that fails is not Complete.
Contents Read(const std::string &path, std::size_t maxSize);

// Whether the existing file may be changed: it is not read-only and we may write it.
bool IsWritable(const std::string &path, const Contents &old);

// Writes bytes to a new file in the same folder and puts it in the place of
// path in one step, keeping what the old file had (see Contents), so that a
// crash or a full disk leaves either the old file or the new one, never half.
bool Replace(const std::string &path, std::string_view bytes, const Contents &old);

} // namespace ProfileFileIo
