// Writing a whole file, creating one folder level and deleting a file, at Windows paths.
#include "platform/files.h"
#include "text/text.h"

bool WriteFileBytes(const Text& path, const Bytes& bytes) {
    if (path.empty()) {
        return false;
    }
    return PlatformCreateFileAlways(path, bytes);
}

bool CreateFolder(const Text& path) {
    return PlatformCreateDirectory(path);
}

bool DeleteFileAt(const Text& path) {
    return PlatformDeleteFile(path);
}
