// The input device: keys, mouse buttons, joystick buttons and touch fingers as one
// key-code space with held states and per-update press counts, a per-update character
// queue, pointer and finger positions, and joystick sticks polled once per update.
// Events arrive from the host between updates; p_EndUpdate clears what was per-update.
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

class c_JoyState : public Object {
public:
    Array<float> m_joyx;
    Array<float> m_joyy;
    Array<float> m_joyz;
    Array<bool> m_buttons;

    c_JoyState* m_new();
    void mark() override;
};

class c_InputDevice : public Object {
public:
    // Presses counted per update; further presses still set the held state.
    static constexpr int kHitQueueSize = 33;
    static constexpr int kCharQueueSize = 32;
    static constexpr int kFingers = 32;

    Array<c_JoyState*> m__joyStates;
    Array<bool> m__keyDown;
    int m__keyHitPut = 0;
    Array<int> m__keyHitQueue;
    Array<int> m__keyHit;
    int m__charGet = 0;
    int m__charPut = 0;
    Array<int> m__charQueue;
    float m__mouseX = 0;
    float m__mouseY = 0;
    Array<float> m__touchX;
    Array<float> m__touchY;
    float m__accelX = 0;
    float m__accelY = 0;
    float m__accelZ = 0;

    // Allocates the arrays; the four joystick states are created by the caller.
    c_InputDevice* m_new();
    void mark() override;

    int p_KeyEvent(int event, int data);
    int p_MouseEvent(int event, int button, float x, float y);
    int p_TouchEvent(int event, int finger, float x, float y);
    int p_MotionEvent(int event, int data, float x, float y, float z);
    int p_BeginUpdate();
    int p_EndUpdate();
    int p_PutKeyHit(int code);
    int p_KeyHit(int code);
    bool p_KeyDown(int code);
    int p_GetChar();
    float p_MouseX() { return m__mouseX; }
    float p_MouseY() { return m__mouseY; }
    float p_TouchX(int finger);
    float p_TouchY(int finger);
    float p_JoyX(int index, int port) { return m__joyStates[port]->m_joyx[index]; }
    float p_JoyY(int index, int port) { return m__joyStates[port]->m_joyy[index]; }
    float p_AccelX() { return m__accelX; }
    float p_AccelY() { return m__accelY; }
    int p_SetKeyboardEnabled(bool enabled);

private:
    void KeyDown(int code);
    void KeyUp(int code);
    void PollJoysticks();
};

extern c_InputDevice* qo_input_device;

// A device with its four joystick states, as the delegate creates it at start-up.
c_InputDevice* qo_input_NewDevice();

int qo_input_SetInputDevice(c_InputDevice* device);
int qo_input_KeyHit(int code);
bool qo_input_KeyDown(int code);
int qo_input_JoyHit(int button, int port);
bool qo_input_JoyDown(int button, int port);
float qo_input_JoyX(int index, int port);
float qo_input_JoyY(int index, int port);
float qo_input_MouseX();
float qo_input_MouseY();
bool qo_input_MouseDown(int button);
int qo_input_MouseHit(int button);
bool qo_input_TouchDown(int finger);
float qo_input_TouchX(int finger);
float qo_input_TouchY(int finger);
float qo_input_AccelX();
float qo_input_AccelY();
int qo_input_GetChar();
int qo_input_EnableKeyboard();
int qo_input_DisableKeyboard();
