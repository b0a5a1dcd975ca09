// IniRead/IniWrite argument rules and the file and folder results, on a fresh drive root.
#include <gtest/gtest.h>

#include <filesystem>

#include "../platform/fresh_drive_root.h"
#include "text/text.h"

using TextFiles = FreshDriveRoot;

TEST_F(TextFiles, IniReadWithAnEmptyArgumentGivesTheEmptyTextNotTheDefault) {
    const Text path = "D:\\s.ini";
    ASSERT_TRUE(IniWrite(path, "sec", "key", "value"));
    EXPECT_EQ(IniRead(path, "sec", "key", "dflt"), "value");
    EXPECT_EQ(IniRead("", "sec", "key", "dflt"), "");
    EXPECT_EQ(IniRead(path, "", "key", "dflt"), "");
    EXPECT_EQ(IniRead(path, "sec", "", "dflt"), "");
    EXPECT_EQ(IniRead(path, "sec", "other", "dflt"), "dflt");
    EXPECT_EQ(IniRead(path, "other", "key", "0"), "0");
    EXPECT_EQ(IniRead("D:\\missing.ini", "sec", "key", "0"), "0");
    EXPECT_EQ(IniRead(path, "sec", "other", ""), "");
}

TEST_F(TextFiles, IniReadCutsLongValuesTo10239Bytes) {
    const Text path = "D:\\long.ini";
    const Text value(20000, 'v');
    ASSERT_TRUE(IniWrite(path, "s", "k", value));
    EXPECT_EQ(IniRead(path, "s", "k", ""), Text(10239, 'v'));
    ASSERT_TRUE(IniWrite(path, "s", "k", Text(10239, 'w')));
    EXPECT_EQ(IniRead(path, "s", "k", ""), Text(10239, 'w'));
}

TEST_F(TextFiles, IniWriteOfTheEmptyValueKeepsTheKey) {
    const Text path = "D:\\Varnel\\Rederizoza.p";
    ASSERT_TRUE(CreateFolder("D:\\Varnel"));
    ASSERT_TRUE(IniWrite(path, "岚川天气助手", "位置", "3"));
    ASSERT_TRUE(IniWrite(path, "岚川天气助手", "位置", ""));
    EXPECT_EQ(IniRead(path, "岚川天气助手", "位置", "dflt"), "");
    EXPECT_EQ(DiskBytes(path), "[岚川天气助手]\r\n位置=\r\n");
}

TEST_F(TextFiles, WriteFileBytes) {
    using namespace std::string_literals;
    const Text path = "D:\\a.bin";
    EXPECT_TRUE(WriteFileBytes(path, "GIF89a\0\xff"s));
    EXPECT_EQ(DiskBytes(path), "GIF89a\0\xff"s);
    // Create-always: a shorter write leaves no tail of the older file.
    EXPECT_TRUE(WriteFileBytes(path, "xy"));
    EXPECT_EQ(DiskBytes(path), "xy");
    EXPECT_TRUE(WriteFileBytes(path, ""));
    std::string bytes = "?";
    ASSERT_TRUE(ReadDisk(path, &bytes));
    EXPECT_EQ(bytes, "");

    EXPECT_FALSE(WriteFileBytes("", "x"));
    EXPECT_FALSE(WriteFileBytes("D:\\no\\such\\folder\\a.bin", "x"));
    EXPECT_FALSE(ExistsOnDisk("D:\\no"));
    EXPECT_FALSE(WriteFileBytes("D:\\", "x"));
    EXPECT_FALSE(WriteFileBytes("relative.bin", "x"));
}

TEST_F(TextFiles, CreateFolderMakesOneLevel) {
    EXPECT_TRUE(CreateFolder("D:\\Varnel\\"));
    EXPECT_TRUE(std::filesystem::is_directory(Root() / "d" / "Varnel"));
    ASSERT_TRUE(WriteFileBytes("D:\\Varnel\\keep.txt", "keep"));
    EXPECT_FALSE(CreateFolder("D:\\Varnel"));  // exists: false, left unchanged
    EXPECT_EQ(DiskBytes("D:\\Varnel\\keep.txt"), "keep");
    EXPECT_FALSE(CreateFolder("D:\\a\\b"));  // parent missing
    EXPECT_FALSE(ExistsOnDisk("D:\\a"));
    EXPECT_TRUE(CreateFolder("D:\\a"));
    EXPECT_TRUE(CreateFolder("D:\\a\\b"));
    EXPECT_FALSE(CreateFolder(""));
}

TEST_F(TextFiles, DeleteFileAt) {
    ASSERT_TRUE(WriteFileBytes("D:\\city.dat", "x"));
    EXPECT_TRUE(DeleteFileAt("D:\\city.dat"));
    EXPECT_FALSE(ExistsOnDisk("D:\\city.dat"));
    EXPECT_FALSE(DeleteFileAt("D:\\city.dat"));
    ASSERT_TRUE(CreateFolder("D:\\dir"));
    EXPECT_FALSE(DeleteFileAt("D:\\dir"));
    EXPECT_TRUE(ExistsOnDisk("D:\\dir"));
    EXPECT_FALSE(DeleteFileAt(""));
}
