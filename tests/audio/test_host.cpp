#include "tests/audio/test_host.h"

String TestHost::PathToFilePath(String path) {
    const String prefix("kavoro://data/");
    if (!path.StartsWith(prefix)) return path;
    return String::FromUtf8(dataDir_ + "/") + path.Slice(prefix.Length());
}

unsigned char* TestHost::LoadAudioData(String path, int* length, int* channels, int* format,
                                       int* hertz) {
    String filePath = PathToFilePath(path);
    if (filePath.Length() == 0 || !qoAudioDataLoader) return nullptr;
    return qoAudioDataLoader(filePath, length, channels, format, hertz);
}
