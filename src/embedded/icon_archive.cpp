// Unpacking the icon archive into the image folder.
#include "embedded/embedded.h"
#include "state/state.h"

namespace {

// A record names the file it is written to, so a name that could climb out of the image folder
// or point at another drive ("..\x", "C:\x", "a/b") is not written at all. An empty name would
// only name the folder itself.
bool IsPlainFileName(const Text& name) {
    if (name.empty()) {
        return false;
    }
    if (name.find("..") != Text::npos) {
        return false;
    }
    return name.find_first_of("\\/:") == Text::npos;
}

}  // namespace

void UnpackIconArchive(std::string_view archive, const Text& imageDir) {
    const Bytes endSeparator = TextToBytes("/varnel_end/");
    const Bytes nameSeparator = TextToBytes("/varnel_name/");
    // The archive ends with an end separator, and BytesSplit drops the empty piece after it.
    for (const Bytes& record : BytesSplit(Bytes(archive), endSeparator)) {
        const BytesList pieces = BytesSplit(record, nameSeparator);
        if (pieces.size() != 2) {
            continue;
        }
        const Text name = BytesToText(pieces[1]);
        if (!IsPlainFileName(name)) {
            continue;
        }
        // A failed write leaves that picture missing until the next start; nothing to report.
        WriteFileBytes(TextConcat(imageDir, name), pieces[0]);
    }
}

void UnpackIcons() {
    UnpackIconArchive(IconArchive, ImageDir());
}
