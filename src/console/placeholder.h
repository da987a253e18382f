// Console commands whose subsystems are not built yet report so plainly instead of doing nothing.
#pragma once

// Prints that the command named by token 0 is not available yet.
void PlaceholderCommandNotice();
