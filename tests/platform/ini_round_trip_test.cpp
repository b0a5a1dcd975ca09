// Random hand-edited INI files, with every kind of line end and GBK second bytes that look like
// "[" or "]": one write changes the key it names and nothing else.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ini_round_trip.h"

namespace {

// Pieces that meet the format's edges: GBK characters ending in 0x5D and 0x5B, a first byte
// that stands alone, letters in both cases, structural bytes, blanks and quotes.
const char* const kPieces[] = {"a",        "A",        "b",    "k", "K", "\x9B\x5D", "\xE0\x5D",
                               "\xD3\x5B", "\xD6\xD0", "\x81", "]", "[", "=",        ";",
                               " ",        "\t",       "\"",   "'", "#"};
const char* const kLineEnds[] = {"\r\n", "\n", "\r", "\r\r\n"};

class RandomIni {
  public:
    explicit RandomIni(unsigned seed) : random_(seed) {}

    std::string Name(int most) {
        std::string name;
        int count = Below(most) + 1;
        for (int i = 0; i < count; ++i) {
            // Mostly letters and GBK characters, so that names repeat and writes hit them.
            name += kPieces[Below(Below(4) == 0 ? std::size(kPieces) : 6)];
        }
        return name;
    }

    std::string File() {
        std::string file;
        int lines = Below(12);
        for (int i = 0; i < lines; ++i) {
            switch (Below(6)) {
                case 0:
                    file += "[" + Name(3) + "]";
                    if (Below(3) == 0) {
                        file += " ;" + Name(3);
                    }
                    break;
                case 1:
                    file += "[" + Name(3);  // unclosed
                    break;
                case 2:
                    file += ";" + Name(4);
                    break;
                default:
                    file += Name(2) + "=" + Name(4);
                    break;
            }
            if (i + 1 < lines || Below(2) == 0) {
                file += kLineEnds[Below(std::size(kLineEnds))];
            }
        }
        return file;
    }

  private:
    int Below(std::size_t bound) {
        return static_cast<int>(std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_));
    }
    std::mt19937 random_;
};

}  // namespace

TEST(IniRoundTrip, OneWriteChangesOnlyItsKey) {
    RandomIni random(20240611);
    int checked = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string file = random.File();
        std::string section = random.Name(3);
        std::string key = random.Name(2);
        std::string value = random.Name(4);
        std::string fault = ini_round_trip::Fault(file, section, key, value);
        ASSERT_EQ(fault, "") << "file: " << ::testing::PrintToString(file) << "\nwrite: ["
                             << section << "] " << key << " = " << value;
        checked += IniNamesWritable(section, key, value) ? 1 : 0;
    }
    EXPECT_GT(checked, 5000);  // most draws are writable, so the property was really put to work
}
