// Placeholder for the resource cache commands until the archive layer replaces this file.
#include "console/placeholder.h"
#include "resources/resources.h"

void ArchListCommand()
{
    PlaceholderCommandNotice();
}

void ResourceLoadTextureCommand()
{
    PlaceholderCommandNotice();
}

void ResourceScanArchives() {}

void ResourceFreeAll() {}
