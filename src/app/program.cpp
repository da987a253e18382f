#include "app/program.h"

#include "app/attract.h"
#include "app/commands.h"
#include "app/input.h"
#include "console/bindings.h"
#include "console/console.h"
#include "console/variables.h"
#include "core/frame.h"
#include "frontend/frontend.h"
#include "game/aircraft.h"
#include "game/camera.h"
#include "game/feedback.h"
#include "game/fog.h"
#include "game/notice.h"
#include "game/pause.h"
#include "game/projectiles.h"
#include "game/run_stats.h"
#include "game/savegame.h"
#include "game/sprites.h"
#include "game/world.h"
#include "render/setup.h"

void ProgramReset()
{
    RenderSetupReset();

    MenuReset();
    HighScoresReset();

    AircraftStateReset();
    ProjectilesFree();
    SpritesFree();
    WorldReset();
    RunStatsReset();
    RunClockReset();
    pauseFlag = 0;
    NoticeReset();
    SaveCommandReset();
    AttractReset();
    FeedbackTake();
    CameraReset();
    FogReset();

    ConsoleInit(console);
    VarListFree();
    BindingsClear();
    ConsoleSetCommands(commandTable);

    InputReset();
    FrameValuesReset();
}
