// The resource cache: every game file by its relative path, from a loose file or a .vrk archive.
#pragma once

// Console commands.
void ArchListCommand();          // archlist
void ResourceLoadTextureCommand();  // tex
