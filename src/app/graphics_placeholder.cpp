// Placeholder for graf_restart until the graphics device replaces this file.
#include "app/graphics.h"
#include "console/placeholder.h"

void GraphicsRestartCommand()
{
    PlaceholderCommandNotice();
}
