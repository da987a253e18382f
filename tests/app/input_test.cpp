// The game's input devices: creation, the per-frame poll, focus loss and release.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "../support/sdl_window.h"
#include "app/input.h"
#include "console/variables.h"
#include "platform/win/window.h"

namespace {

bool AllKeysUp()
{
    for (std::uint8_t b : inputState.keyState) {
        if (b != 0) {
            return false;
        }
    }
    return true;
}

bool MouseStateZero()
{
    const DIMOUSESTATE2 zero{};
    return std::memcmp(&inputState.mouseState, &zero, sizeof(zero)) == 0;
}

int moduleInstance = 0;  // any stable address serves as the instance handle

class InputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InputReset();
        DInputReset();
        WindowReset();
        window = TestWindowCreate();
        ASSERT_NE(window, nullptr);
    }

    void TearDown() override
    {
        InputReset();
        DInputReset();
        WindowReset();
    }

    // Start-up's order: interface, keyboard, mouse.
    void CreateAll()
    {
        ASSERT_TRUE(InputCreate(&moduleInstance, window));
        ASSERT_TRUE(InputCreateKeyboard());
        ASSERT_TRUE(InputCreateMouse());
    }

    HWND window = nullptr;
};

TEST_F(InputTest, CreationFillsTheRecord)
{
    inputState.mouseEnabled = 0;
    inputState.keyboardEnabled = 0;
    ASSERT_TRUE(InputCreate(&moduleInstance, window));
    EXPECT_NE(inputState.directInput, nullptr);
    EXPECT_EQ(inputState.keyboard, nullptr);
    EXPECT_EQ(inputState.mouse, nullptr);
    EXPECT_EQ(inputState.instance, &moduleInstance);
    EXPECT_EQ(inputState.window, window);
    EXPECT_EQ(inputState.mouseEnabled, 1);
    EXPECT_EQ(inputState.keyboardEnabled, 1);
    ASSERT_TRUE(InputCreateKeyboard());
    ASSERT_TRUE(InputCreateMouse());
    EXPECT_NE(inputState.keyboard, nullptr);
    EXPECT_NE(inputState.mouse, nullptr);
    // Creating the interface again drops the old devices instead of leaking them.
    ASSERT_TRUE(InputCreate(&moduleInstance, window));
    EXPECT_EQ(inputState.keyboard, nullptr);
    EXPECT_EQ(inputState.mouse, nullptr);
}

TEST_F(InputTest, DevicesMakeTheirOwnInterfaceFromKeptHandles)
{
    EXPECT_FALSE(InputCreateKeyboard()) << "no handles kept yet";
    EXPECT_FALSE(InputCreateMouse());
    ASSERT_TRUE(InputCreate(&moduleInstance, window));
    InputRelease();
    EXPECT_EQ(inputState.directInput, nullptr);
    ASSERT_TRUE(InputCreateKeyboard());
    EXPECT_NE(inputState.directInput, nullptr);
    EXPECT_NE(inputState.keyboard, nullptr);
}

TEST_F(InputTest, ScriptedKeysArriveThroughThePoll)
{
    CreateAll();
    std::array<std::uint8_t, 256> script{};
    script[DIK_RETURN] = 0x80;
    script[DIK_F1] = 0x80;
    DInputSetScriptedKeys(script.data());
    for (int frame = 0; frame < 3; ++frame) {
        InputPoll();
        EXPECT_EQ(inputState.keyState[0x1C], 0x80) << "held keys read down in every frame";
        EXPECT_EQ(inputState.keyState[0x3B], 0x80);
    }
    EXPECT_EQ(std::memcmp(inputState.keyState, script.data(), 256), 0);
    EXPECT_TRUE(MouseStateZero());

    script = {};
    script[DIK_DOWN] = 0x80;
    DInputSetScriptedKeys(script.data());
    InputPoll();
    EXPECT_EQ(inputState.keyState[0x1C], 0);
    EXPECT_EQ(inputState.keyState[0xD0], 0x80);
}

TEST_F(InputTest, FocusLossReadsAllKeysUpAndTheKeyboardComesBack)
{
    CreateAll();
    std::array<std::uint8_t, 256> script{};
    script[DIK_UP] = 0x80;
    script[DIK_SPACE] = 0x80;
    DInputSetScriptedKeys(script.data());
    InputPoll();
    ASSERT_EQ(inputState.keyState[DIK_UP], 0x80);

    // Back to the real keyboard with the window in the background: nothing may stay held.
    DInputSetScriptedKeys(nullptr);
    PushFocus(window, false);
    InputPoll();
    EXPECT_TRUE(AllKeysUp());
    EXPECT_NE(inputState.keyboard, nullptr) << "the keyboard is kept for later frames";
    std::memset(inputState.keyState, 0x80, sizeof(inputState.keyState));
    InputPoll();
    EXPECT_TRUE(AllKeysUp()) << "every frame without focus reads all up";

    PushFocus(window, true);
    std::memset(inputState.keyState, 0x80, sizeof(inputState.keyState));
    InputPoll();
    EXPECT_TRUE(AllKeysUp()) << "nothing is pressed on the real keyboard";
    EXPECT_EQ(inputState.keyboard->Acquire(), DI_NOEFFECT) << "the poll acquired the keyboard again";

    // A focus loss between frames does the same.
    PushFocus(window, false);
    std::memset(inputState.keyState, 0x80, sizeof(inputState.keyState));
    InputPoll();
    EXPECT_TRUE(AllKeysUp());
}

TEST_F(InputTest, FailedMouseReadLeavesAZeroMouseState)
{
    CreateAll();
    PushFocus(window, true);
    InputPoll();  // the mouse, acquired at creation without focus, is acquired here
    PushMotion(4, 6);
    InputPoll();
    EXPECT_EQ(inputState.mouseState.lX, 4);
    EXPECT_EQ(inputState.mouseState.lY, 6);

    PushMotion(9, 9);
    PushFocus(window, false);
    std::memset(&inputState.mouseState, 0x77, sizeof(inputState.mouseState));
    InputPoll();
    EXPECT_TRUE(MouseStateZero());

    PushFocus(window, true);
    InputPoll();  // reads nothing, acquires again
    EXPECT_TRUE(MouseStateZero());
    PushMotion(-1, 2);
    InputPoll();
    EXPECT_EQ(inputState.mouseState.lX, -1);
    EXPECT_EQ(inputState.mouseState.lY, 2);
}

TEST_F(InputTest, DisabledOrMissingDevicesAreNotRead)
{
    InputPoll();  // no interface: nothing happens
    EXPECT_TRUE(AllKeysUp());

    CreateAll();
    std::array<std::uint8_t, 256> script{};
    script[DIK_ESCAPE] = 0x80;
    DInputSetScriptedKeys(script.data());
    inputState.keyboardEnabled = 0;
    InputPoll();
    EXPECT_EQ(inputState.keyState[DIK_ESCAPE], 0);
    inputState.keyboardEnabled = 1;
    InputPoll();
    EXPECT_EQ(inputState.keyState[DIK_ESCAPE], 0x80);

    InputReleaseKeyboard();
    EXPECT_EQ(inputState.keyboard, nullptr);
    EXPECT_NE(inputState.mouse, nullptr);
    script[DIK_ESCAPE] = 0;
    DInputSetScriptedKeys(script.data());
    InputPoll();
    EXPECT_EQ(inputState.keyState[DIK_ESCAPE], 0x80) << "without a keyboard the state is not written";
}

TEST_F(InputTest, FailedDeviceSetupWithoutAWindow)
{
    // The foreground level needs a real window: the keyboard is released, the mouse kept as it is.
    HWND notAWindow = reinterpret_cast<HWND>(&moduleInstance);
    ASSERT_TRUE(InputCreate(&moduleInstance, notAWindow));
    EXPECT_FALSE(InputCreateKeyboard());
    EXPECT_EQ(inputState.keyboard, nullptr);
    EXPECT_FALSE(InputCreateMouse());
    EXPECT_NE(inputState.mouse, nullptr);
    InputPoll();  // the half-made mouse reads as zero and is not stuck in a retry
    EXPECT_TRUE(MouseStateZero());
    InputRelease();
    EXPECT_EQ(inputState.mouse, nullptr);
    EXPECT_EQ(inputState.directInput, nullptr);
    InputRelease();  // twice is harmless
}

}  // namespace

TEST_F(InputTest, RumbleFollowsWhatThePlayerMetAndTheVariable)
{
    CreateAll();
    static Uint16 lastLow = 0;
    static Uint16 lastHigh = 0;
    static int calls = 0;
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.Rumble = [](void*, Uint16 low, Uint16 high) {
        lastLow = low;
        lastHigh = high;
        ++calls;
        return 0;
    };
    std::uint8_t map[kPadInputCount] = {DIK_UP, DIK_DOWN, DIK_LEFT, DIK_RIGHT, DIK_SPACE};
    DInputSetPadMap(map);
    const int pad = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(pad, 0) << SDL_GetError();
    PlatformPumpEvents();

    FeedbackEvents hit;
    hit.playerHits = 2;
    FeedbackEvents burst;
    burst.explosions = 1;
    burst.playerHits = 1;
    FeedbackEvents destroyed;
    destroyed.playerDestroyed = true;
    destroyed.explosions = 3;

    // Off (unset, as without the default start-up script): nothing reaches the pad.
    EXPECT_EQ(InputRumbleFor(destroyed), 0);
    EXPECT_EQ(calls, 0);

    VarSetFromText("j_rezges", "1");
    EXPECT_EQ(InputRumbleFor(FeedbackEvents{}), 0) << "a quiet frame";
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(InputRumbleFor(hit), 1);
    const Uint16 hitStrength = lastHigh;
    EXPECT_GT(lastHigh, lastLow) << "a hit is a short, sharp pulse";
    EXPECT_EQ(InputRumbleFor(burst), 1);
    EXPECT_GT(lastLow, lastHigh) << "an explosion rumbles deeper and wins over a hit in the same frame";
    EXPECT_EQ(InputRumbleFor(destroyed), 1);
    EXPECT_EQ(lastLow, 0xFFFF) << "the aircraft destroyed: both motors at full strength";
    EXPECT_EQ(lastHigh, 0xFFFF);
    EXPECT_LT(hitStrength, 0xFFFF);
    EXPECT_EQ(calls, 3);

    VarSetFromText("j_rezges", "0");
    EXPECT_EQ(InputRumbleFor(destroyed), 0);
    EXPECT_EQ(calls, 3);
    SDL_JoystickDetachVirtual(pad);
    DInputSetPadMap(nullptr);
    VarListFree();
}
