// Creating, releasing and restarting the graphics device (core/graphics.h holds it), its two screen
// fonts and the fixed render states.
#pragma once

#include "core/graphics.h"

// Creates the Direct3D object, the device for the game window, both fonts and the fixed states from
// the video variables. 0 on success, E_FAIL on any failure.
HRESULT GraphicsCreate();
// Releases the fonts, the device and the Direct3D object (in that order); safe when nothing exists.
void GraphicsRelease();

// Console command graf_restart: releases everything that lives on the device, creates it anew and
// reloads the meshes, textures and static geometry, then re-creates the sea segments' and sprites'
// buffers. Mesh entries are reloaded in place, so every pointer to them stays valid. Before the
// game window exists it only says so.
void GraphicsRestartCommand();
