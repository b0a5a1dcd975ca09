// Mapping Windows paths (GBK, drive letters, backslashes) to UTF-8 paths under the drive root.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text_types/text_types.h"

// The disk path of a Windows path "X:\..." (either slash, runs of them counting as one), or
// nothing when the path is not an absolute drive path, is not valid GBK or names a character
// Windows forbids in file names. "." and ".." are resolved by name and never climb above the
// drive. A trailing separator is kept. The drive root is created first if it is missing, but
// the drive itself need not exist.
std::optional<std::string> MapWindowsPath(const Text& path);

// As MapWindowsPath, and also nothing when the drive's folder does not exist (a missing drive).
std::optional<std::string> MapOnExistingDrive(const Text& path);

// GBK bytes as UTF-8, or nothing when they are not valid GBK.
std::optional<std::string> GbkPathToUtf8(std::string_view gbk);

// Opening under the drive root without following a link out of it. The mapping above confines
// the path's text; a link on disk (placed by anyone who can write into the root) could still
// lead an open elsewhere, so every open of the backend walks from the root one name at a time
// with O_NOFOLLOW and follows a link only while its target stays inside the root.

// An open descriptor that closes itself.
class FolderHandle {
  public:
    FolderHandle() = default;
    explicit FolderHandle(int fd) : fd_(fd) {}
    FolderHandle(FolderHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    ~FolderHandle();
    int get() const { return fd_; }

  private:
    int fd_ = -1;
};

// A place under the drive root: the open folder (an O_PATH descriptor) and a name in it that is
// no link (or, with followLast false, possibly one), which may not exist yet.
struct RootedPlace {
    FolderHandle folder;
    std::string name;
};

// The place of a disk path (as MapWindowsPath gives it) under the current drive root. Every
// folder on the way is opened with O_NOFOLLOW from the one before; a link met on the way, and
// with followLast also one at the last name, is followed only when its target (relative, or
// absolute and under the root) stays inside the root, at most 40 links in all. Nothing when
// the path is not under the root, a folder on the way is missing or no folder, a link leads
// out, or the path names the root itself. Use it with openat(folder, name, ... | O_NOFOLLOW),
// renameat, mkdirat, unlinkat.
std::optional<RootedPlace> ResolveInRoot(const std::string& diskPath, bool followLast);

// Opens the file at a disk path through ResolveInRoot(diskPath, true); flags and mode as for
// open(2), with O_NOFOLLOW and O_CLOEXEC added. -1 (errno set) when the place cannot be had.
int OpenInRoot(const std::string& diskPath, int flags, unsigned mode);

// True when the disk path, resolved as above, is a folder.
bool IsFolderInRoot(const std::string& diskPath);

// Writes every byte to the open file, again after an interrupted write; false on any failure.
bool WriteAll(int fd, std::string_view bytes);
