// Special folders by the program's numbers, the temporary-files folder, and trailing backslashes.
#include "platform/folders.h"
#include "storage/storage.h"

namespace {

// The program's numbers for the shell's folder identifiers; other numbers are identifiers.
int FolderIdentifier(int number) {
    switch (number) {
        case 10:
            return 37;  // the system folder
        case 9:
            return 36;  // the Windows folder
        case 3:
            return 0;  // the desktop
        case 2:
            return 6;  // the favourites
        default:
            return number;
    }
}

// The shell's call fills a buffer of MAX_PATH bytes.
constexpr long long kShellPathBuffer = 260;
// GetTempPathA gets a buffer of 255 bytes.
constexpr std::size_t kTempPathBuffer = 255;

}  // namespace

// A folder the platform cannot give stays empty instead of becoming "\", which names no folder.
Text SpecialFolderPath(int number) {
    if (number == 11) {
        return TempFolderPath();
    }
    const Text path =
        TextLeft(PlatformSpecialFolder(FolderIdentifier(number)), kShellPathBuffer - 1);
    if (path.empty()) {
        return Text();
    }
    return WithTrailingBackslash(path);
}

Text TempFolderPath() {
    const Text path = PlatformTempPath(kTempPathBuffer);
    if (path.empty()) {
        return Text();
    }
    return WithTrailingBackslash(path);
}

// Only the last byte counts: a character whose trail byte is 0x5C already ends the path.
Text WithTrailingBackslash(const Text& path) {
    if (TextCompare(TextRight(path, 1), "\\") != 0) {
        return TextConcat(path, "\\");
    }
    return path;
}
