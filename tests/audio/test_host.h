// A host without a window for the audio tests: "kavoro://data/" names a scratch folder,
// and LoadAudioData maps the path and hands it to the installed decoder, as the desktop
// host does.
#pragma once

#include <string>

#include "runtime/game.h"

class TestHost : public QoGame {
public:
    explicit TestHost(std::string dataDir) : dataDir_(std::move(dataDir)) {}
    String PathToFilePath(String path) override;
    unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                 int* hertz) override;

private:
    std::string dataDir_;
};
