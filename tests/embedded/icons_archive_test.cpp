// The icon archive the program carries: its records against data/icons, and the pictures' form.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "embedded/embedded.h"
#include "icons_files.h"

namespace {

using icons_test::ArchiveOrder;
using icons_test::SourceIcon;

const std::string NameSeparator = "/varnel_name/";
const std::string EndSeparator = "/varnel_end/";

TEST(IconArchive, IsTheCommittedPicturesInRecordOrder) {
    std::string expected;
    for (const std::string& name : ArchiveOrder()) {
        const std::string picture = SourceIcon(name);
        ASSERT_FALSE(picture.empty()) << name << " missing from data/icons";
        expected += picture + NameSeparator + name + EndSeparator;
    }
    ASSERT_EQ(IconArchive.size(), expected.size());
    // Compared as a whole but reported by position: a byte dump of the archive helps nobody.
    const auto mismatch =
        std::mismatch(IconArchive.begin(), IconArchive.end(), expected.begin()).first;
    EXPECT_EQ(mismatch, IconArchive.end())
        << "first difference at byte " << (mismatch - IconArchive.begin());
}

TEST(IconArchive, HoldsEachSeparatorOncePerRecord) {
    int names = 0;
    int ends = 0;
    for (std::size_t at = IconArchive.find(NameSeparator); at != std::string_view::npos;
         at = IconArchive.find(NameSeparator, at + 1)) {
        ++names;
    }
    for (std::size_t at = IconArchive.find(EndSeparator); at != std::string_view::npos;
         at = IconArchive.find(EndSeparator, at + 1)) {
        ++ends;
    }
    EXPECT_EQ(names, 32);
    EXPECT_EQ(ends, 32);
    EXPECT_TRUE(IconArchive.ends_with(EndSeparator));
}

// What the blocks of one GIF file say about it; ok is false when the blocks do not parse.
struct GifShape {
    bool ok = false;
    std::string version;
    int width = 0;
    int height = 0;
    int images = 0;
    bool endsAtTrailer = false;
};

int Word(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

// Steps over a chain of data sub-blocks; false when it runs past the end.
bool SkipSubBlocks(const std::string& bytes, std::size_t& at) {
    while (at < bytes.size()) {
        const std::uint8_t length = static_cast<std::uint8_t>(bytes[at++]);
        if (length == 0) {
            return true;
        }
        at += length;
    }
    return false;
}

GifShape ReadGifShape(const std::string& bytes) {
    GifShape shape;
    if (bytes.size() < 13) {
        return shape;
    }
    shape.version = bytes.substr(0, 6);
    shape.width = Word(bytes, 6);
    shape.height = Word(bytes, 8);
    const std::uint8_t flags = static_cast<std::uint8_t>(bytes[10]);
    std::size_t at = 13;
    if (flags & 0x80) {
        at += 3u << ((flags & 0x07) + 1);
    }
    while (at < bytes.size()) {
        const std::uint8_t introducer = static_cast<std::uint8_t>(bytes[at++]);
        if (introducer == 0x3B) {
            shape.endsAtTrailer = at == bytes.size();
            shape.ok = true;
            return shape;
        }
        if (introducer == 0x21) {
            ++at;  // the extension's label
            if (!SkipSubBlocks(bytes, at)) {
                return shape;
            }
        } else if (introducer == 0x2C) {
            if (at + 9 > bytes.size()) {
                return shape;
            }
            const std::uint8_t imageFlags = static_cast<std::uint8_t>(bytes[at + 8]);
            at += 9;
            if (imageFlags & 0x80) {
                at += 3u << ((imageFlags & 0x07) + 1);
            }
            ++at;  // the LZW minimum code size
            if (!SkipSubBlocks(bytes, at)) {
                return shape;
            }
            ++shape.images;
        } else {
            return shape;
        }
    }
    return shape;
}

TEST(IconArchive, EveryPictureIsOneGif89aImageOf50By46) {
    for (const std::string& name : ArchiveOrder()) {
        SCOPED_TRACE(name);
        const std::string picture = SourceIcon(name);
        const GifShape shape = ReadGifShape(picture);
        ASSERT_TRUE(shape.ok) << "blocks do not parse";
        EXPECT_EQ(shape.version, "GIF89a");
        EXPECT_EQ(shape.width, 50);
        EXPECT_EQ(shape.height, 46);
        EXPECT_EQ(shape.images, 1);
        EXPECT_TRUE(shape.endsAtTrailer) << "bytes after the trailer";
        EXPECT_EQ(picture.find(NameSeparator), std::string::npos);
        EXPECT_EQ(picture.find(EndSeparator), std::string::npos);
    }
}

}  // namespace
