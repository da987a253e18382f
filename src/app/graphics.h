// The graphics device and its fonts.
#pragma once

// Console command graf_restart: re-creates the device and everything that lives on it.
void GraphicsRestartCommand();
