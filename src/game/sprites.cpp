#include "game/sprites.h"

#include <cmath>
#include <cstring>
#include <new>

#include "core/frame.h"
#include "core/graphics.h"
#include "game/camera.h"

Sprite* spriteHead = nullptr;
Sprite* spriteTail = nullptr;

namespace {

// Creates the sprite's quad on the device and writes its four corners in strip order.
HRESULT SpriteBufferCreate(Sprite* sprite, float width, float height)
{
    if (device == nullptr) {
        return E_FAIL;
    }
    IDirect3DVertexBuffer9* buffer = nullptr;
    HRESULT hr =
        device->CreateVertexBuffer(kSpriteBufferBytes, 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED, &buffer, nullptr);
    if (FAILED(hr) || buffer == nullptr) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    void* data = nullptr;
    hr = buffer->Lock(0, 0, &data, 0);
    if (FAILED(hr) || data == nullptr) {
        buffer->Release();
        return FAILED(hr) ? hr : E_FAIL;
    }
    const float halfW = width / 2.0f;
    const float halfH = height / 2.0f;
    const SpriteVertex quad[kSpriteVertexCount] = {
        {-halfW, halfH, 0.0f, 0.0f, 1.0f},
        {-halfW, -halfH, 0.0f, 0.0f, 0.0f},
        {halfW, halfH, 0.0f, 1.0f, 1.0f},
        {halfW, -halfH, 0.0f, 1.0f, 0.0f},
    };
    std::memcpy(data, quad, sizeof(quad));
    buffer->Unlock();
    sprite->vertexBuffer = buffer;
    return S_OK;
}

void SpriteRelease(Sprite* sprite)
{
    if (sprite->vertexBuffer != nullptr) {
        sprite->vertexBuffer->Release();
    }
    delete sprite;
}

}  // namespace

HRESULT SpriteAdd(float x, float y, float z, float width, float height, float lifetime, int textureSlot,
                  int materialIndex)
{
    Sprite* sprite = new (std::nothrow) Sprite{};
    if (sprite == nullptr) {
        return E_OUTOFMEMORY;
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
    return SpriteBufferCreate(sprite, width, height);
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
            SpriteRelease(sprite);
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
        SpriteRelease(sprite);
        sprite = following;
    }
    spriteHead = nullptr;
    spriteTail = nullptr;
}

void SpritesDeviceRelease()
{
    for (Sprite* sprite = spriteHead; sprite != nullptr; sprite = sprite->next) {
        if (sprite->vertexBuffer != nullptr) {
            sprite->vertexBuffer->Release();
            sprite->vertexBuffer = nullptr;
        }
    }
}

void SpritesDeviceRestore()
{
    for (Sprite* sprite = spriteHead; sprite != nullptr; sprite = sprite->next) {
        if (sprite->vertexBuffer == nullptr) {
            SpriteBufferCreate(sprite, sprite->width, sprite->height);
        }
    }
}
