#include "game/sprites.h"

#include <cmath>
#include <new>

#include "core/frame.h"
#include "game/camera.h"

Sprite* spriteHead = nullptr;
Sprite* spriteTail = nullptr;

void SpriteQuad(float width, float height, SpriteVertex (&quad)[kSpriteVertexCount])
{
    const float halfW = width / 2.0f;
    const float halfH = height / 2.0f;
    quad[0] = {-halfW, halfH, 0.0f, 0.0f, 1.0f};
    quad[1] = {-halfW, -halfH, 0.0f, 0.0f, 0.0f};
    quad[2] = {halfW, halfH, 0.0f, 1.0f, 1.0f};
    quad[3] = {halfW, -halfH, 0.0f, 1.0f, 0.0f};
}

bool SpriteAdd(float x, float y, float z, float width, float height, float lifetime, int textureSlot, int materialIndex)
{
    Sprite* sprite = new (std::nothrow) Sprite{};
    if (sprite == nullptr) {
        return false;
    }
    if (spriteHead == nullptr) {
        spriteHead = sprite;
    } else {
        spriteTail->next = sprite;
    }
    spriteTail = sprite;
    sprite->next = nullptr;

    sprite->visible = 1;
    sprite->lifetime = lifetime;
    sprite->remaining = lifetime;
    sprite->materialIndex = static_cast<std::uint8_t>(materialIndex);
    sprite->textureSlot = textureSlot;
    sprite->posX = x;
    sprite->posY = y;
    sprite->posZ = z;
    sprite->tiltAngle = 0.0f;
    sprite->turnAngle = 0.0f;
    sprite->width = width;
    sprite->height = height;
    return true;
}

bool SpritesEmpty()
{
    return spriteHead == nullptr;
}

void SpritesUpdate()
{
    const float eyeY = camera.scrollPos - 1.0f;
    for (Sprite* sprite = spriteHead; sprite != nullptr; sprite = sprite->next) {
        if (sprite->remaining > 0.0f) {
            sprite->remaining -= frameDelta;
            const float d = std::fabs(eyeY - sprite->posY);
            sprite->tiltAngle = std::atan2(sprite->posZ, d) + 90.0f * 0.017453292f;
            sprite->turnAngle = std::atan2(sprite->posX, d);
        } else {
            sprite->visible = 0;
        }
    }

    Sprite* previous = nullptr;
    Sprite* sprite = spriteHead;
    while (sprite != nullptr) {
        Sprite* following = sprite->next;
        if (sprite->visible == 0) {
            if (previous == nullptr) {
                spriteHead = following;
            } else {
                previous->next = following;
            }
            if (sprite == spriteTail) {
                spriteTail = previous;
            }
            delete sprite;
        } else {
            previous = sprite;
        }
        sprite = following;
    }
}

void SpritesFree()
{
    Sprite* sprite = spriteHead;
    while (sprite != nullptr) {
        Sprite* following = sprite->next;
        delete sprite;
        sprite = following;
    }
    spriteHead = nullptr;
    spriteTail = nullptr;
}
