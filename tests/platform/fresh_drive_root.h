// A test fixture that gives each test its own machine: a fresh drive root with drives C: and D:.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/drives.h"
#include "platform/drives_testing.h"
#include "platform/files.h"

class FreshDriveRoot : public ::testing::Test {
  protected:
    void SetUp() override {
        scratch_ = PlatformUseFreshDriveRoot();
        ASSERT_FALSE(scratch_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
    }

    // The bytes of the file at a Windows path, and whether it exists.
    static bool ReadDisk(const std::string& windowsPath, std::string* bytes) {
        std::ifstream in(PlatformDiskPath(windowsPath), std::ios::binary);
        if (!in) {
            return false;
        }
        bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return true;
    }
    static std::string DiskBytes(const std::string& windowsPath) {
        std::string bytes;
        ReadDisk(windowsPath, &bytes);
        return bytes;
    }
    static void PutDisk(const std::string& windowsPath, const std::string& bytes) {
        std::ofstream out(PlatformDiskPath(windowsPath), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static bool ExistsOnDisk(const std::string& windowsPath) {
        return std::filesystem::exists(PlatformDiskPath(windowsPath));
    }
    static std::filesystem::path Root() { return PlatformDriveRoot(); }

    std::string scratch_;
};

// UTF-8 literal as std::string, for names on disk.
inline std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}
