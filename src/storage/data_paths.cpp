// The data root and the settings file path, tested by writing the notice file, and fallbacks.
#include "storage/storage.h"

namespace {

// Writes the notice into root (which ends with "\"), replacing any earlier one. The doubled
// backslash this makes is read as one by the platform.
bool WriteNotice(const Text& root) {
    return WriteFileBytes(TextConcat(root, "\\", NoticeFileName), TextToBytes(Text(NoticeText)));
}

}  // namespace

Text ResolveSettingsPath() {
    const Text root = "d:\\Varnel\\";
    CreateFolder(root);
    if (WriteNotice(root)) {
        return TextConcat(ResolveDataRoot(), "Rederizoza.p");
    }
    return FallbackSettingsPath();
}

Text ResolveDataRoot() {
    const Text root = "D:\\Varnel\\";
    CreateFolder(root);
    if (WriteNotice(root)) {
        return root;
    }
    return FallbackDataRoot();
}

Text FallbackDataRoot() {
    const Text root = TextConcat(TextBefore(SpecialFolderPath(9), ":"), ":\\Program Files\\3d\\");
    const Text parent = TextConcat(TextBefore(SpecialFolderPath(9), ":"), ":\\Program Files\\");
    CreateFolder(parent);
    CreateFolder(root);
    return root;
}

Text FallbackSettingsPath() {
    return TextConcat(SpecialFolderPath(10), "Harbwell.txt");
}
