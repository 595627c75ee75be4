// What the device modules (graphics, audio, input, net) need of the host, and no more:
// its files, its joysticks, its keyboard switch and facts about the OpenGL context it
// made. The host implements this; the devices see only this header, so they sit below
// the host and never include it.
#pragma once

#include "runtime/array.h"
#include "runtime/string.h"

// Incremented whenever a window, and with it a new OpenGL context, is opened; textures
// made under an older value are gone.
extern int glfwGraphicsSeq;

// Decoders live in graphics/ and audio/; they install themselves here so the host does
// not depend on them. Both take a file-system path and return a malloc'ed block owned
// by the caller, or null.
extern unsigned char* (*qoImageDataLoader)(const String& filePath, int* width, int* height,
                                           int* depth);
extern unsigned char* (*qoAudioDataLoader)(const String& filePath, int* length, int* channels,
                                           int* format, int* hertz);

// Event codes shared by the host, the delegate and the input device.
enum QoEvent {
    kEventKeyDown = 1,
    kEventKeyUp = 2,
    kEventKeyChar = 3,
    kEventMouseDown = 4,
    kEventMouseUp = 5,
    kEventMouseMove = 6,
    kEventTouchDown = 7,
    kEventTouchUp = 8,
    kEventTouchMove = 9,
    kEventMotionAccel = 10,
};

class QoDeviceHost {
public:
    // The running host, or null before it is made (a device used on its own).
    static QoDeviceHost* Current();

    virtual String PathToFilePath(String path) = 0;
    // The whole file in one malloc'ed block owned by the caller, or null.
    virtual unsigned char* LoadData(String path, int* length) = 0;
    virtual unsigned char* LoadImageData(String path, int* width, int* height, int* depth) = 0;
    virtual unsigned char* LoadAudioData(String path, int* length, int* channels, int* format,
                                         int* hertz) = 0;
    virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                              Array<bool> buttons) = 0;
    virtual void SetKeyboardEnabled(bool enabled) = 0;
    // Whether an OpenGL context is current on this thread, and the size of its window
    // (0 × 0 without one).
    virtual bool HasGraphicsContext() = 0;
    virtual void GraphicsWindowSize(int* width, int* height) = 0;

protected:
    ~QoDeviceHost() = default;
};
