// The generated game content: every file the game loads, by the name it loads it with.
#pragma once

#include <string>
#include <vector>

#include "image.h"
#include "model.h"

// One generated file: its path below the content folder with '/' between the parts (the archive
// names it with '\'), and its bytes.
struct ContentFile {
    std::string path;
    std::string bytes;
};

struct NamedModel {
    std::string file;  // "mut.x"
    Model model;
};
struct NamedImage {
    std::string file;  // "ocean.bmp"
    Image image;       // as it is written (colour-keyed pictures with their key colour in place)
};

// The sixteen meshes in the game's load order.
std::vector<NamedModel> GameModels();
// The player's seven parts assembled as the scene places them (offsets 0), and the enemy's two.
Model PlayerAircraft();
Model EnemyAircraft();
// The menu scene's world transforms of the two background meshes (ids 255 and 254).
Transform MenuBackdropTransform(int id);

std::vector<NamedImage> GameTextures();
Image OceanImage();
Image HorizonImage();
// The intro picture: the title over the player's fighter and an enemy above the sea.
Image IntroPicture();
std::string EncodeTexture(const NamedImage& texture);

struct Sound {
    std::string file;              // "motor.wav"
    std::vector<float> samples;    // mono, -1..1, at kSoundRate
    bool loops = false;
};
inline constexpr int kSoundRate = 22050;
std::vector<Sound> GameSounds();
// The file image: 16-bit PCM WAV, or MPEG layer III for a name ending in ".mp3".
std::string EncodeSound(const Sound& sound);

std::string ExecScript();

// Everything above as files, in a fixed order: mesh/, textures/, sound/ and exec.vrs.
std::vector<ContentFile> GenerateContent();

// The desktop icon, `size` pixels square, with transparent corners.
Image GameIcon(int size);

// The contact sheet: every texture and a picture of every mesh, the menu and a playing scene.
Image ContactSheet();
