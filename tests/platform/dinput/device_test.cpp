// The DirectInput-shaped interface and devices: creation, formats, cooperative levels, focus,
// scripted keys and the mouse.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "../../support/sdl_window.h"
#include "platform/dinput/dinput.h"

namespace {

void PushWheel(int notches, bool flipped)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = notches;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    Push(e);
}

void PushButton(Uint8 button, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    Push(e);
}

class DInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowReset();
        DInputReset();
        window = TestWindowCreate();
        ASSERT_NE(window, nullptr);
        void* out = nullptr;
        ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DI_OK);
        di = static_cast<IDirectInput8A*>(out);
    }

    void TearDown() override
    {
        if (keyboard != nullptr) {
            keyboard->Release();
        }
        if (mouse != nullptr) {
            mouse->Release();
        }
        if (di != nullptr) {
            di->Release();
        }
        DInputReset();
        WindowReset();
    }

    void MakeKeyboard(DWORD level = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND)
    {
        ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
        ASSERT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
        ASSERT_EQ(keyboard->SetCooperativeLevel(window, level), DI_OK);
    }

    void MakeMouse()
    {
        ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
        ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse2), DI_OK);
        ASSERT_EQ(mouse->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
    }

    HWND window = nullptr;
    IDirectInput8A* di = nullptr;
    IDirectInputDevice8A* keyboard = nullptr;
    IDirectInputDevice8A* mouse = nullptr;
};

TEST(DInputCreate, RefusesWrongVersionsAndInterfaces)
{
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0900, IID_IDirectInput8A, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, GUID_SysKeyboard, &out, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, nullptr, nullptr), DIERR_INVALIDPARAM);

    ASSERT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DI_OK);
    auto* di = static_cast<IDirectInput8A*>(out);
    EXPECT_EQ(di->AddRef(), 2u);
    EXPECT_EQ(di->Release(), 1u);

    IDirectInputDevice8A* device = reinterpret_cast<IDirectInputDevice8A*>(1);
    EXPECT_EQ(di->CreateDevice(IID_IDirectInput8A, &device, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, nullptr, nullptr), DIERR_INVALIDPARAM);
    int outer = 0;
    EXPECT_EQ(di->CreateDevice(GUID_SysKeyboard, &device, &outer), DIERR_NOAGGREGATION);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(di->Release(), 0u);
}

TEST_F(DInputTest, FormatsMustSuitTheDevice)
{
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DIERR_INVALIDPARAM) << "no format yet";
    std::uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INVALIDPARAM);

    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIMouse2), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);
    EXPECT_EQ(mouse->SetDataFormat(nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DI_OK);
    EXPECT_EQ(mouse->SetDataFormat(&c_dfDIMouse2), DI_OK);

    ASSERT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->SetDataFormat(&c_dfDIKeyboard), DIERR_ACQUIRED);
    EXPECT_EQ(keyboard->GetDeviceState(255, keys), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->GetDeviceState(256, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
}

TEST_F(DInputTest, CooperativeLevelNeedsOneOfEachPairAndAWindowForForeground)
{
    ASSERT_EQ(di->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr), DI_OK);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | 0x100), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DIERR_INVALIDPARAM);
    EXPECT_EQ(keyboard->SetCooperativeLevel(window, 6), DI_OK);
}

TEST_F(DInputTest, KeyboardFollowsTheWindowFocus)
{
    MakeKeyboard();
    std::uint8_t keys[256];

    PushFocus(window, false);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);

    PushFocus(window, true);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    std::memset(keys, 0xAB, sizeof(keys));
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(keys[i] & 0x7F, 0) << "only 0 or 0x80 is read, key " << i;
    }

    PushFocus(window, false);
    std::memset(keys, 0x11, sizeof(keys));
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keys[0], 0x11) << "a failed read leaves the buffer";
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED) << "the loss is told once";
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);

    PushFocus(window, true);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_OK);
    EXPECT_EQ(keyboard->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
}

TEST_F(DInputTest, AKeyTappedBetweenTwoReadsReadsDownOnce)
{
    MakeKeyboard();
    std::uint8_t keys[256];
    PushFocus(window, true);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);

    auto pushKey = [](SDL_Scancode code, bool down, bool repeat = false) {
        SDL_Event e{};
        e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat ? 1 : 0;
        e.key.keysym.scancode = code;
        Push(e);
    };
    // H and E pressed and let go before the next read: both read as down for that read only.
    pushKey(SDL_SCANCODE_H, true);
    pushKey(SDL_SCANCODE_H, false);
    pushKey(SDL_SCANCODE_E, true);
    pushKey(SDL_SCANCODE_E, false);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_H], 0x80);
    EXPECT_EQ(keys[DIK_E], 0x80);
    EXPECT_EQ(keys[DIK_L], 0);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_H], 0);
    EXPECT_EQ(keys[DIK_E], 0);

    // The repeats of a held key are no new presses; a tap lost with the focus is forgotten.
    pushKey(SDL_SCANCODE_L, true, true);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_L], 0);
    pushKey(SDL_SCANCODE_P, true);
    PushFocus(window, false);
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    PushFocus(window, true);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_P], 0);
}

TEST_F(DInputTest, TypedTextIsKeptInCodePage1250WhileAsked)
{
    auto pushText = [](const char* utf8) {
        SDL_Event e{};
        e.type = SDL_TEXTINPUT;
        SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
        Push(e);
    };
    MakeKeyboard();
    PushFocus(window, true);
    // Off: nothing is kept.
    pushText("a");
    PlatformPumpEvents();
    EXPECT_EQ(DInputTakeText(), "");

    DInputSetTextInput(true);
    ASSERT_TRUE(DInputTextInputActive());
    // z, u with double acute, the euro sign (0x80 in code page 1250); a check mark (not in it) and a
    // control character are dropped, as is a broken sequence.
    pushText("z\xC5\xB1\xE2\x82\xAC\xE2\x9C\x93\x01");
    pushText("\xC5");
    pushText("Y");
    PlatformPumpEvents();
    EXPECT_EQ(DInputTakeText(), "z\xFB\x80Y");
    EXPECT_EQ(DInputTakeText(), "") << "taken once";

    // What was not taken when the focus went is forgotten.
    pushText("q");
    PushFocus(window, false);
    PlatformPumpEvents();
    EXPECT_EQ(DInputTakeText(), "");
    DInputSetTextInput(false);
    EXPECT_FALSE(DInputTextInputActive());
}

TEST_F(DInputTest, GamepadInputsReadAsTheirKeys)
{
    // Headless: the map is taken but no real controller is opened; the events come from here.
    PlatformSetHeadless(true);
    MakeKeyboard();
    PushFocus(window, true);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    std::uint8_t map[kPadInputCount] = {DIK_UP,       DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_SPACE,
                                        DIK_LCONTROL, DIK_A,    DIK_Z,    DIK_P,     DIK_ESCAPE};
    DInputSetPadMap(map);
    auto button = [](SDL_JoystickID pad, Uint8 which, bool down) {
        SDL_Event e{};
        e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
        e.cbutton.which = pad;
        e.cbutton.button = which;
        e.cbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
        Push(e);
    };
    auto axis = [](SDL_JoystickID pad, Uint8 which, Sint16 value) {
        SDL_Event e{};
        e.type = SDL_CONTROLLERAXISMOTION;
        e.caxis.which = pad;
        e.caxis.axis = which;
        e.caxis.value = value;
        Push(e);
    };
    std::uint8_t keys[256];
    button(7, SDL_CONTROLLER_BUTTON_A, true);
    axis(7, SDL_CONTROLLER_AXIS_LEFTY, -30000);
    axis(7, SDL_CONTROLLER_AXIS_LEFTX, 5000);   // inside the dead zone
    button(8, SDL_CONTROLLER_BUTTON_BACK, true);
    button(8, SDL_CONTROLLER_BUTTON_BACK, false);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_SPACE], 0x80);
    EXPECT_EQ(keys[DIK_UP], 0x80);
    EXPECT_EQ(keys[DIK_LEFT] | keys[DIK_RIGHT], 0);
    EXPECT_EQ(keys[DIK_ESCAPE], 0x80) << "a press between two reads counts once";
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_SPACE], 0x80) << "held";
    EXPECT_EQ(keys[DIK_ESCAPE], 0);

    // Unplugged: what that pad held is let go.
    SDL_Event removed{};
    removed.type = SDL_CONTROLLERDEVICEREMOVED;
    removed.cdevice.which = 7;
    Push(removed);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_SPACE], 0);
    EXPECT_EQ(keys[DIK_UP], 0);

    // No map: the pads are keys no more.
    DInputSetPadMap(nullptr);
    button(9, SDL_CONTROLLER_BUTTON_START, true);
    ASSERT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
    EXPECT_EQ(keys[DIK_P], 0);
    PlatformSetHeadless(false);
}

TEST_F(DInputTest, FocusOfAnotherWindowDoesNotCount)
{
    MakeKeyboard();
    HWND other = CreateWindowExA(0, "AVIORRA", "b", 8, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    PushFocus(other, true);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
    PushFocus(window, true);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    // A destroyed window has no focus any more.
    DestroyWindow(window);
    std::uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
}

TEST_F(DInputTest, BackgroundKeyboardNeedsNoFocus)
{
    MakeKeyboard(DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    PushFocus(window, false);
    EXPECT_EQ(keyboard->Acquire(), DI_OK);
    std::uint8_t keys[256];
    EXPECT_EQ(keyboard->GetDeviceState(256, keys), DI_OK);
}

TEST_F(DInputTest, ScriptedKeysAreReadExactlyWhateverTheFocus)
{
    MakeKeyboard();
    PushFocus(window, false);
    std::array<std::uint8_t, 256> script{};
    script[DIK_RETURN] = 0x80;
    script[DIK_F1] = 0x80;
    script[7] = 0x01;  // bytes are passed through as they are
    DInputSetScriptedKeys(script.data());
    EXPECT_TRUE(DInputScriptedKeysActive());
    script[DIK_UP] = 0x80;  // the layer keeps its own copy

    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    std::array<std::uint8_t, 256> keys{};
    ASSERT_EQ(keyboard->GetDeviceState(256, keys.data()), DI_OK);
    std::array<std::uint8_t, 256> expected{};
    expected[DIK_RETURN] = 0x80;
    expected[DIK_F1] = 0x80;
    expected[7] = 0x01;
    EXPECT_EQ(keys, expected);

    PushFocus(window, false);  // focus changes do not unacquire a scripted keyboard
    EXPECT_EQ(keyboard->GetDeviceState(256, keys.data()), DI_OK);
    EXPECT_EQ(keys, expected);

    DInputSetScriptedKeys(nullptr);
    EXPECT_FALSE(DInputScriptedKeysActive());
    EXPECT_EQ(keyboard->GetDeviceState(256, keys.data()), DIERR_INPUTLOST) << "the real keyboard has no focus";
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);
}

TEST_F(DInputTest, MouseReportsMotionWheelAndButtonsSinceTheLastRead)
{
    MakeMouse();
    PushFocus(window, true);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushMotion(5, -3);
    PushMotion(5, -3);
    PushWheel(1, false);
    PushWheel(1, true);
    PushWheel(2, false);
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_X2, true);

    DIMOUSESTATE2 state{};
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 10);
    EXPECT_EQ(state.lY, -6);
    EXPECT_EQ(state.lZ, 240);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    EXPECT_EQ(state.rgbButtons[1], 0x80);
    EXPECT_EQ(state.rgbButtons[2], 0);
    EXPECT_EQ(state.rgbButtons[4], 0x80);

    PushButton(SDL_BUTTON_LEFT, false);
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[0], 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80) << "a held button stays down";

    EXPECT_EQ(mouse->GetDeviceState(sizeof(DIMOUSESTATE), &state), DIERR_INVALIDPARAM);
}

TEST_F(DInputTest, MouseLosesItsStateWithTheFocus)
{
    MakeMouse();
    PushFocus(window, true);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushButton(SDL_BUTTON_MIDDLE, true);
    PushMotion(40, 40);
    PushFocus(window, false);

    DIMOUSESTATE2 state{};
    EXPECT_EQ(mouse->GetDeviceState(sizeof(state), &state), DIERR_INPUTLOST);
    EXPECT_EQ(mouse->Acquire(), DIERR_OTHERAPPHASPRIO) << "Acquire never answers with the loss";
    PushMotion(7, 7);  // not acquired: not counted
    PushFocus(window, true);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.rgbButtons[2], 0) << "buttons are up after a focus loss";
}

TEST_F(DInputTest, FourButtonMouseFormat)
{
    ASSERT_EQ(di->CreateDevice(GUID_SysMouse, &mouse, nullptr), DI_OK);
    ASSERT_EQ(mouse->SetDataFormat(&c_dfDIMouse), DI_OK);
    ASSERT_EQ(mouse->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushMotion(-2, 9);
    PushButton(SDL_BUTTON_LEFT, true);
    struct {
        DIMOUSESTATE state;
        std::uint8_t guard[4];
    } buffer;
    std::memset(&buffer, 0x5A, sizeof(buffer));
    ASSERT_EQ(mouse->GetDeviceState(sizeof(DIMOUSESTATE), &buffer.state), DI_OK);
    EXPECT_EQ(buffer.state.lX, -2);
    EXPECT_EQ(buffer.state.lY, 9);
    EXPECT_EQ(buffer.state.rgbButtons[0], 0x80);
    EXPECT_EQ(buffer.guard[0], 0x5A) << "nothing written past the 16 bytes";
}

TEST_F(DInputTest, ScriptedInputZeroesTheMouse)
{
    MakeMouse();
    PushFocus(window, true);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    PushMotion(3, 3);
    PushButton(SDL_BUTTON_LEFT, true);
    std::array<std::uint8_t, 256> script{};
    DInputSetScriptedKeys(script.data());
    DIMOUSESTATE2 state;
    std::memset(&state, 0x33, sizeof(state));
    ASSERT_EQ(mouse->GetDeviceState(sizeof(state), &state), DI_OK);
    const DIMOUSESTATE2 zero{};
    EXPECT_EQ(std::memcmp(&state, &zero, sizeof(state)), 0);
}

}  // namespace

namespace {

// What SDL's virtual controllers were asked: the last motor strengths and the number of requests.
struct RumbleSeen {
    Uint16 low = 0;
    Uint16 high = 0;
    int calls = 0;
};
RumbleSeen rumbleSeen;

int VirtualIndex(bool motors)
{
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = motors ? "rumbling pad" : "plain pad";
    if (motors) {
        desc.Rumble = [](void*, Uint16 low, Uint16 high) {
            rumbleSeen = {low, high, rumbleSeen.calls + 1};
            return 0;
        };
    }
    return SDL_JoystickAttachVirtualEx(&desc);
}

}  // namespace

TEST_F(DInputTest, RumbleReachesTheOpenControllersThatHaveMotors)
{
    EXPECT_EQ(DInputRumble(0x1000, 0x2000, 100), 0) << "no controllers open";
    std::uint8_t map[kPadInputCount] = {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_SPACE};
    DInputSetPadMap(map);
    ASSERT_NE(SDL_WasInit(SDL_INIT_GAMECONTROLLER), 0u);
    const int rumbling = VirtualIndex(true);
    const int plain = VirtualIndex(false);
    ASSERT_GE(rumbling, 0) << SDL_GetError();
    ASSERT_GE(plain, 0) << SDL_GetError();
    PlatformPumpEvents();   // the controllers arrive as "device added" and are opened
    rumbleSeen = {};
    EXPECT_EQ(DInputRumble(0x1234, 0xFEDC, 150), 1) << "only the pad with motors takes it";
    EXPECT_EQ(rumbleSeen.calls, 1);
    EXPECT_EQ(rumbleSeen.low, 0x1234);
    EXPECT_EQ(rumbleSeen.high, 0xFEDC);

    SDL_JoystickDetachVirtual(plain);
    SDL_JoystickDetachVirtual(rumbling);
    PlatformPumpEvents();
    EXPECT_EQ(DInputRumble(0x1234, 0xFEDC, 150), 0) << "unplugged";
    DInputSetPadMap(nullptr);
    EXPECT_EQ(DInputRumble(0x1234, 0xFEDC, 150), 0) << "controllers closed";
}
