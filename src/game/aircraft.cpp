#include "game/aircraft.h"

namespace {

Aircraft playerRecord{};

}  // namespace

Aircraft* player = &playerRecord;
Aircraft* enemySlots[kEnemySlotCount] = {};

void FlyForwardCommand() { player->wantForward = 1; }
void FlyBackwardCommand() { player->wantBackward = 1; }
void FlyLeftCommand() { player->wantLeft = 1; }
void FlyRightCommand() { player->wantRight = 1; }
void FlyUpCommand() { player->wantUp = 1; }
void FlyDownCommand() { player->wantDown = 1; }
void FireCommand() { player->wantFire = 1; }
void BombCommand() { player->wantBomb = 1; }
