// Small helpers of the Windows tests: bytes of files through the ANSI calls, and a scratch folder
// on drive D: that each test gets empty.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/drives_testing.h"

// The bytes of a file, and whether it could be read.
inline bool ReadBytes(const std::string& path, std::string* bytes) {
    bytes->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes->append(buffer, got);
    }
    CloseHandle(file);
    return true;
}

inline std::string Bytes_(const std::string& path) {
    std::string bytes;
    ReadBytes(path, &bytes);
    return bytes;
}

inline bool PutBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD done = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
        done == bytes.size();
    return CloseHandle(file) && ok;
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in a folder (path ends with a backslash), "." and ".." left out.
inline std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

// Each test starts with an empty drive D: (only where the test run made D: its scratch drive).
class ScratchDriveD : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch_.empty()) << "drive D: is not a scratch drive of this run";
    }
    void TearDown() override { RemoveDirectoryA(scratch_.c_str()); }
    std::string scratch_;
};
