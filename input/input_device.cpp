#include "input/input_device.h"

#include "input/key_codes.h"
#include "runtime/device_host.h"

c_InputDevice* qo_input_device = nullptr;
GC_ROOT(qo_input_device);

namespace {

constexpr int kPorts = 4;
constexpr int kJoyButtons = 32;

bool ValidCode(int code) {
    return code > 0 && code < keys::kCount;
}

}  // namespace

c_JoyState* c_JoyState::m_new() {
    gc_assign(m_joyx, Array<float>(2));
    gc_assign(m_joyy, Array<float>(2));
    gc_assign(m_joyz, Array<float>(2));
    gc_assign(m_buttons, Array<bool>(kJoyButtons));
    return this;
}

void c_JoyState::mark() {
    gc_mark_q(m_joyx);
    gc_mark_q(m_joyy);
    gc_mark_q(m_joyz);
    gc_mark_q(m_buttons);
}

c_InputDevice* c_InputDevice::m_new() {
    gc_assign(m__joyStates, Array<c_JoyState*>(kPorts));
    gc_assign(m__keyDown, Array<bool>(keys::kCount));
    gc_assign(m__keyHitQueue, Array<int>(kHitQueueSize));
    gc_assign(m__keyHit, Array<int>(keys::kCount));
    gc_assign(m__charQueue, Array<int>(kCharQueueSize));
    gc_assign(m__touchX, Array<float>(kFingers));
    gc_assign(m__touchY, Array<float>(kFingers));
    return this;
}

void c_InputDevice::mark() {
    gc_mark_q(m__joyStates);
    gc_mark_q(m__keyDown);
    gc_mark_q(m__keyHitQueue);
    gc_mark_q(m__keyHit);
    gc_mark_q(m__charQueue);
    gc_mark_q(m__touchX);
    gc_mark_q(m__touchY);
}

int c_InputDevice::p_PutKeyHit(int code) {
    if (m__keyHitPut == kHitQueueSize) return 0;
    m__keyHit[code] += 1;
    m__keyHitQueue[m__keyHitPut++] = code;
    return 0;
}

// The left mouse button and finger 0 are one pointer: each press or release of one
// is a press or release of the other.
static int PairedPointerKey(int code) {
    if (code == keys::kMouseLeft) return keys::kTouch;
    if (code == keys::kTouch) return keys::kMouseLeft;
    return 0;
}

void c_InputDevice::KeyDown(int code) {
    if (!ValidCode(code) || m__keyDown[code]) return;
    m__keyDown[code] = true;
    p_PutKeyHit(code);
    if (int twin = PairedPointerKey(code)) {
        m__keyDown[twin] = true;
        p_PutKeyHit(twin);
    }
}

void c_InputDevice::KeyUp(int code) {
    if (!ValidCode(code) || !m__keyDown[code]) return;
    m__keyDown[code] = false;
    if (int twin = PairedPointerKey(code)) m__keyDown[twin] = false;
}

int c_InputDevice::p_KeyEvent(int event, int data) {
    switch (event) {
        case kEventKeyDown:
            KeyDown(data);
            break;
        case kEventKeyUp:
            KeyUp(data);
            break;
        case kEventKeyChar:
            if (m__charPut < kCharQueueSize) m__charQueue[m__charPut++] = data;
            break;
    }
    return 0;
}

int c_InputDevice::p_MouseEvent(int event, int button, float x, float y) {
    auto moveTo = [&] {
        m__mouseX = x;
        m__mouseY = y;
        m__touchX[0] = x;
        m__touchY[0] = y;
    };
    switch (event) {
        case kEventMouseDown:
            KeyDown(button + 1);
            moveTo();
            break;
        case kEventMouseUp:
            KeyUp(button + 1);
            break;
        case kEventMouseMove:
            moveTo();
            break;
    }
    return 0;
}

int c_InputDevice::p_TouchEvent(int event, int finger, float x, float y) {
    if (finger < 0 || finger >= kFingers) return 0;
    auto moveTo = [&] {
        m__touchX[finger] = x;
        m__touchY[finger] = y;
        if (finger == 0) {
            m__mouseX = x;
            m__mouseY = y;
        }
    };
    switch (event) {
        case kEventTouchDown:
            KeyDown(keys::kTouch + finger);
            moveTo();
            break;
        case kEventTouchUp:
            KeyUp(keys::kTouch + finger);
            break;
        case kEventTouchMove:
            moveTo();
            break;
    }
    return 0;
}

int c_InputDevice::p_MotionEvent(int event, int, float x, float y, float z) {
    if (event == kEventMotionAccel) {
        m__accelX = x;
        m__accelY = y;
        m__accelZ = z;
    }
    return 0;
}

void c_InputDevice::PollJoysticks() {
    QoDeviceHost* host = QoDeviceHost::Current();
    if (!host) return;
    for (int port = 0; port < kPorts; ++port) {
        c_JoyState* joy = m__joyStates[port];
        if (!joy) return;
        if (!host->PollJoystick(port, joy->m_joyx, joy->m_joyy, joy->m_joyz, joy->m_buttons))
            return;
        for (int b = 0; b < kJoyButtons; ++b) {
            int code = keys::kJoyButtons + 32 * port + b;
            if (!joy->m_buttons[b]) {
                m__keyDown[code] = false;
            } else if (!m__keyDown[code]) {
                m__keyDown[code] = true;
                p_PutKeyHit(code);
            }
        }
    }
}

int c_InputDevice::p_BeginUpdate() {
    PollJoysticks();
    return 0;
}

int c_InputDevice::p_EndUpdate() {
    for (int i = 0; i < m__keyHitPut; ++i) m__keyHit[m__keyHitQueue[i]] = 0;
    m__keyHitPut = 0;
    m__charGet = 0;
    m__charPut = 0;
    return 0;
}

int c_InputDevice::p_KeyHit(int code) {
    return ValidCode(code) ? m__keyHit[code] : 0;
}
bool c_InputDevice::p_KeyDown(int code) {
    return ValidCode(code) && m__keyDown[code];
}

int c_InputDevice::p_GetChar() {
    if (m__charGet >= m__charPut) return 0;
    return m__charQueue[m__charGet++];
}

float c_InputDevice::p_TouchX(int finger) {
    return finger >= 0 && finger < kFingers ? m__touchX[finger] : 0;
}
float c_InputDevice::p_TouchY(int finger) {
    return finger >= 0 && finger < kFingers ? m__touchY[finger] : 0;
}

int c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
    if (QoDeviceHost* host = QoDeviceHost::Current()) host->SetKeyboardEnabled(enabled);
    return 0;
}

// ---- module functions --------------------------------------------------------------------

c_InputDevice* qo_input_NewDevice() {
    c_InputDevice* device = (new c_InputDevice)->m_new();
    for (int port = 0; port < kPorts; ++port)
        device->m__joyStates[port] = (new c_JoyState)->m_new();
    return device;
}

int qo_input_SetInputDevice(c_InputDevice* device) {
    gc_assign(qo_input_device, device);
    return 0;
}

namespace {

// Joystick buttons as key codes: the second byte becomes (button >> 8) | 1, so buttons
// 0-31 land on 256 + 32 × port + button.
int JoyCode(int button, int port) {
    int secondByte = (((button >> 8) | 1) & 0xFF) << 8;
    return (button & ~0xFF00) | secondByte | (port << 5);
}

bool ValidPort(int index, int port) {
    return port >= 0 && port < kPorts && index >= 0 && index < 2;
}

}  // namespace

int qo_input_KeyHit(int code) {
    return qo_input_device ? qo_input_device->p_KeyHit(code) : 0;
}
bool qo_input_KeyDown(int code) {
    return qo_input_device && qo_input_device->p_KeyDown(code);
}

int qo_input_JoyHit(int button, int port) {
    int code = JoyCode(button, port);
    return code < keys::kCount ? qo_input_KeyHit(code) : 0;
}

bool qo_input_JoyDown(int button, int port) {
    int code = JoyCode(button, port);
    return code < keys::kCount && qo_input_KeyDown(code);
}

float qo_input_JoyX(int index, int port) {
    return qo_input_device && ValidPort(index, port) ? qo_input_device->p_JoyX(index, port) : 0;
}

float qo_input_JoyY(int index, int port) {
    return qo_input_device && ValidPort(index, port) ? qo_input_device->p_JoyY(index, port) : 0;
}

float qo_input_MouseX() {
    return qo_input_device ? qo_input_device->p_MouseX() : 0;
}
float qo_input_MouseY() {
    return qo_input_device ? qo_input_device->p_MouseY() : 0;
}
bool qo_input_MouseDown(int button) {
    return button <= 510 && qo_input_KeyDown(button + 1);
}
int qo_input_MouseHit(int button) {
    return button <= 510 ? qo_input_KeyHit(button + 1) : 0;
}

bool qo_input_TouchDown(int finger) {
    return finger >= -383 && finger <= 127 && qo_input_KeyDown(keys::kTouch + finger);
}

float qo_input_TouchX(int finger) {
    return qo_input_device ? qo_input_device->p_TouchX(finger) : 0;
}
float qo_input_TouchY(int finger) {
    return qo_input_device ? qo_input_device->p_TouchY(finger) : 0;
}
float qo_input_AccelX() {
    return qo_input_device ? qo_input_device->p_AccelX() : 0;
}
float qo_input_AccelY() {
    return qo_input_device ? qo_input_device->p_AccelY() : 0;
}
int qo_input_GetChar() {
    return qo_input_device ? qo_input_device->p_GetChar() : 0;
}

int qo_input_EnableKeyboard() {
    if (QoDeviceHost* host = QoDeviceHost::Current()) host->SetKeyboardEnabled(true);
    return 0;
}

int qo_input_DisableKeyboard() {
    if (QoDeviceHost* host = QoDeviceHost::Current()) host->SetKeyboardEnabled(false);
    return 0;
}
