// The main menu: five extruded captions, one of them selected; UP and DOWN move the selection and
// ENTER carries out the selected item.
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "core/input.h"
#include "frontend/frontend.h"
#include "game/camera.h"
#include "game/enemy.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/savegame.h"
#include "platform/win/codepage.h"
#include "resources/sound.h"

MenuItem menuItems[kMenuItemCount];

namespace {

constexpr int kKeyUp = 0xC8;
constexpr int kKeyDown = 0xD0;
constexpr int kKeyEnter = 0x1C;

// Key delay after moving the selection, and after an item that leaves the menu.
constexpr float kMoveDelay = 0.2f;
constexpr float kLeaveDelay = 0.5f;

struct MenuLayout {
    float x;
    float y;
};

// Caption positions in item order; the first item starts selected.
constexpr MenuLayout kLayout[kMenuItemCount] = {
    {-2.35f, 1.0f},   // New game
    {-2.6f, 0.1f},    // Load game
    {-1.95f, -0.8f},  // Resume
    {-2.65f, -1.7f},  // High scores
    {-1.0f, -2.6f},   // Exit
};

bool KeyDown(int code)
{
    return (inputState.keyState[code] & 0x80) != 0;
}

bool ValidIndex(int index)
{
    return index >= 0 && index < kMenuItemCount;
}

void Select(MenuItem& item)
{
    item.selected = 1;
    item.depth = kMenuDepthSelected;
}

void Deselect(MenuItem& item)
{
    item.selected = 0;
    item.depth = kMenuDepthNormal;
}

// Moves the selection from `item` to its neighbour `to` (already checked to exist).
bool MoveSelection(MenuItem& item, int to)
{
    Deselect(item);
    Select(menuItems[to]);
    SoundPlay(kMenuMoveSound, false);
    keyDelayTimer = kMoveDelay;
    return true;
}

bool NewGame(MenuItem& item)
{
    Deselect(item);
    gameState = Playing;
    pauseFlag = 0;
    if (!RunStart()) {
        // Without a surface there is nothing to play: stay in the menu. The old run (if any) was
        // already reset, so there is nothing to resume either. The delay keeps a held ENTER from
        // trying (and reporting) again every frame.
        ConsolePrintf(console, "%s", "Nem sikerült új játékot indítani!"_cp);
        gameState = MainMenu;
        Select(item);
        keyDelayTimer = kLeaveDelay;
        return false;
    }
    keyDelayTimer = kLeaveDelay;
    return true;
}

bool LoadGame(MenuItem& item)
{
    // A run left with ESCAPE waits behind a set pause flag; a load that fails before the new run
    // starts (no file, a damaged file) leaves that run to be resumed.
    const std::uint8_t pauseBefore = pauseFlag;
    pauseFlag = 1;
    if (!GameLoad()) {
        pauseFlag = pauseBefore;
        // Without a saved game the item would do nothing at all: the menu says so (a damaged
        // file has its console line).
        std::error_code missing;
        if (VarGetInt("h_menu_jelzes") != 0 && !std::filesystem::exists(kSaveFileName, missing)) {
            NoticeShow(kNoticeNoSave);
        }
        return true;
    }
    Deselect(item);
    gameState = Playing;
    keyDelayTimer = kLeaveDelay;
    return true;
}

bool Resume(MenuItem& item)
{
    if (pauseFlag == 0) {
        if (VarGetInt("h_menu_jelzes") != 0) {
            NoticeShow(kNoticeNoRun);
        }
        return true;
    }
    Deselect(item);
    gameState = Playing;
    CameraSetPlaying();
    camera.scrollPos = camera.prevScrollPos;
    RunResume();
    keyDelayTimer = kLeaveDelay;
    return true;
}

bool ShowHighScores(MenuItem& item)
{
    Deselect(item);
    gameState = HighScoreTable;
    keyDelayTimer = kLeaveDelay;
    return true;
}

bool Exit()
{
    ConsoleExecute(console, "set j_jatekstatus 0");
    return true;
}

bool Enter(MenuItem& item)
{
    SoundPlay(kClickSound, false);
    switch (item.index) {
    case kMenuItemNewGame: return NewGame(item);
    case kMenuItemLoadGame: return LoadGame(item);
    case kMenuItemResume: return Resume(item);
    case kMenuItemHighScores: return ShowHighScores(item);
    case kMenuItemExit: return Exit();
    default: return false;
    }
}

}  // namespace

void MenuItemInit(MenuItem& item, int index)
{
    if (!ValidIndex(index)) {
        return;
    }
    item.x = kLayout[index].x;
    item.y = kLayout[index].y;
    item.pitch = 0.0f;
    item.yaw = 0.0f;
    item.roll = 0.0f;
    item.index = static_cast<std::uint8_t>(index);
    if (index == kMenuItemNewGame) {
        Select(item);
    } else {
        Deselect(item);
    }
}

void MenuItemInit(int index)
{
    if (ValidIndex(index)) {
        MenuItemInit(menuItems[index], index);
    }
}

bool MenuItemUpdate(int index)
{
    if (!ValidIndex(index)) {
        return false;
    }
    MenuItem& item = menuItems[index];
    if (keyDelayTimer >= 0.0f || item.selected == 0) {
        return false;
    }
    // The item's own index decides its neighbours and its action; a record whose index is out of
    // range (never laid out) moves nowhere and does nothing.
    const int at = item.index;
    if (KeyDown(kKeyUp)) {
        if (at <= 0 || at >= kMenuItemCount) {
            return false;
        }
        return MoveSelection(item, at - 1);
    }
    if (KeyDown(kKeyDown)) {
        if (at >= kMenuItemCount - 1) {
            return false;
        }
        return MoveSelection(item, at + 1);
    }
    if (KeyDown(kKeyEnter)) {
        return Enter(item);
    }
    return false;
}

void MenuItemsDeselectAll()
{
    for (MenuItem& item : menuItems) {
        Deselect(item);
    }
}

void MenuSelectResume()
{
    MenuItemsDeselectAll();
    Select(menuItems[kMenuItemResume]);
}

void MenuSelectNewGame()
{
    MenuItemsDeselectAll();
    Select(menuItems[kMenuItemNewGame]);
}

void MenuReset()
{
    for (int i = 0; i < kMenuItemCount; ++i) {
        MenuItemInit(menuItems[i], i);
    }
}

void LoadCommand()
{
    if (!GameLoad()) {
        return;
    }
    MenuItemsDeselectAll();
    NoticeShow(kNoticeLoaded);
    gameState = Playing;
}
