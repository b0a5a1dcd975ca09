// Settings files as a user leaves them after editing by hand: GBK second bytes that look like
// "[" or "]", stray line ends, byte order marks and values longer than a read returns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fresh_drive_root.h"
#include "text/text.h"

namespace {

const Text kPath = "D:\\Rederizoza.p";

struct Value {
    Text section;
    Text key;
    Text value;
};

struct HandEdited {
    const char* name;
    std::string file;
    std::vector<Value> reads;  // before the write, and after it for every other key
    Value write;
    std::string after;  // the file's bytes after the write; the file itself when refused
    bool written = true;
};

std::string Repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

std::string Utf16Le(const char16_t* text) {
    std::string out = "\xFF\xFE";
    for (; *text != 0; ++text) {
        out.push_back(static_cast<char>(*text & 0xFF));
        out.push_back(static_cast<char>(*text >> 8));
    }
    return out;
}

const std::string kBom = "\xEF\xBB\xBF";

}  // namespace

using HandEditedProfile = FreshDriveRoot;

TEST_F(HandEditedProfile, ReadsAndOneWrite) {
    // The narrow literals below are GBK: these characters end in 0x5D (]) and 0x5B ([).
    ASSERT_EQ(Text("沒郵閉"), "\x9B\x5D\xE0\x5D\xE9\x5D");
    ASSERT_EQ(Text("覽"), "\xD3\x5B");
    const std::string kZhong = "中";  // D6 D0
    const HandEdited rows[] = {
        {"comment after a header, with a 0x5D second byte",
         "[网络] ;沒有代理\r\n代理=无\r\n",
         {{"网络", "代理", "无"}},
         {"网络", "端口", "80"},
         "[网络] ;沒有代理\r\n代理=无\r\n端口=80\r\n"},
        {"section names ending in 0x5D and 0x5B second bytes",
         "[郵]\r\nk=1\r\n[閉覽]\r\nk=2\r\n[覽]\r\nk=3\r\n",
         {{"郵", "k", "1"}, {"閉覽", "k", "2"}, {"覽", "k", "3"}},
         {"閉覽", "k", "4"},
         "[郵]\r\nk=1\r\n[閉覽]\r\nk=4\r\n[覽]\r\nk=3\r\n"},
        {"keys and values with 0x5D and 0x5B second bytes",
         "[s]\r\n沒=郵\r\n覽 = [閉] \r\n",
         {{"s", "沒", "郵"}, {"s", "覽", "[閉]"}},
         {"s", "沒", "閉"},
         "[s]\r\n沒=閉\r\n覽 = [閉] \r\n"},
        {"an unclosed header holds no keys: they stay in the section before",
         "[a]\r\nk=1\r\n[b郵\r\nx=2\r\n",
         {{"a", "x", "2"}, {"b郵", "x", "dflt"}, {"b\xE0", "x", "dflt"}},
         {"a", "y", "3"},
         "[a]\r\nk=1\r\n[b郵\r\nx=2\r\ny=3\r\n"},
        {"CR CR LF: a line end and an empty line",
         "[a]\r\r\nk=1\r\r\nz=2\r\r\n",
         {{"a", "k", "1"}, {"a", "z", "2"}},
         {"a", "n", "3"},
         // The file's lines were meant to end in CRLF, and so does the new one.
         "[a]\r\r\nk=1\r\r\nz=2\rn=3\r\n\r\n"},
        {"lone CR at the end: a new key leaves the last value alone",
         "[app]\r\na=1\r\nb=2\r",
         {{"app", "a", "1"}, {"app", "b", "2"}},
         {"app", "c", "3"},
         "[app]\r\na=1\r\nb=2\rc=3\r\n"},
        {"lone CR at the end: a new section",
         "[app]\r\nb=2\r",
         {{"app", "b", "2"}},
         {"new", "k", "v"},
         "[app]\r\nb=2\r[new]\r\nk=v\r\n"},
        {"CR-only file keeps its line ends",
         "[a]\rk=1\r[b]\rk=2\r",
         {{"a", "k", "1"}, {"b", "k", "2"}},
         {"a", "n", "3"},
         "[a]\rk=1\rn=3\r[b]\rk=2\r"},
        {"CR-only file: a new line before an LF keeps that line",
         "[a]\rk=1\n\n[b]\rk=2\r",
         {{"a", "k", "1"}, {"b", "k", "2"}},
         {"a", "n", "3"},
         "[a]\rk=1\nn=3\r\n\n[b]\rk=2\r"},
        {"LF-only file gets LF lines",
         "[a]\nk=1\n",
         {{"a", "k", "1"}},
         {"a", "n", "2"},
         "[a]\nk=1\nn=2\n"},
        {"LF-only file without a last line end gets an LF section",
         "[a]\nk=1",
         {{"a", "k", "1"}},
         {"b", "x", "1"},
         "[a]\nk=1\n[b]\nx=1\n"},
        {"UTF-8 mark: read and written as UTF-8",
         kBom + Utf8(u8"[网络]\r\n代理=无\r\n"),
         {{"网络", "代理", "无"}},
         {"网络", "端口", "八十"},
         kBom + Utf8(u8"[网络]\r\n代理=无\r\n端口=八十\r\n")},
        {"UTF-8 mark: a character GBK lacks reads as ?",
         kBom + Utf8(u8"[a]\r\nk=x\uac00y\r\n"),
         {{"a", "k", "x?y"}},
         {"a", "k", "z"},
         kBom + Utf8(u8"[a]\r\nk=z\r\n")},
        {"UTF-16 mark: read and written as UTF-16",
         Utf16Le(u"[a]\r\nk=\u4e2d\r\n"),
         {{"a", "k", kZhong}},
         {"a", "n", kZhong + "1"},
         Utf16Le(u"[a]\r\nk=\u4e2d\r\nn=\u4e2d1\r\n")},
        {"UTF-8 mark before GBK bytes: read, never written",
         kBom + "[a]\r\nk=" + kZhong + "\r\n",
         {{"a", "k", kZhong}},
         {"a", "k", "2"},
         kBom + "[a]\r\nk=" + kZhong + "\r\n",
         false},
        {"10,240-byte values: the read stops at the last whole character",
         "[a]\r\nk=" + Repeat(kZhong, 5120) + "\r\nx=a" + Repeat(kZhong, 5119) + "b\r\n",
         {{"a", "k", Repeat(kZhong, 5119)}, {"a", "x", "a" + Repeat(kZhong, 5119)}},
         {"a", "k", "1"},
         "[a]\r\nk=1\r\nx=a" + Repeat(kZhong, 5119) + "b\r\n"},
    };
    for (const HandEdited& row : rows) {
        SCOPED_TRACE(row.name);
        PutDisk(kPath, row.file);
        for (const Value& read : row.reads) {
            EXPECT_EQ(IniRead(kPath, read.section, read.key, "dflt"), read.value)
                << read.section << "/" << read.key;
        }
        EXPECT_EQ(IniWrite(kPath, row.write.section, row.write.key, row.write.value), row.written);
        EXPECT_EQ(DiskBytes(kPath), row.after);
        if (row.written) {
            EXPECT_EQ(IniRead(kPath, row.write.section, row.write.key, "dflt"), row.write.value);
        }
        for (const Value& read : row.reads) {
            if (row.written && read.section == row.write.section && read.key == row.write.key) {
                continue;
            }
            EXPECT_EQ(IniRead(kPath, read.section, read.key, "dflt"), read.value)
                << "after the write: " << read.section << "/" << read.key;
        }
    }
}
