// The resource cache: every game file by its relative path, from a loose file or a .vrk archive.
#pragma once

// Console commands.
void ArchListCommand();          // archlist
void ResourceLoadTextureCommand();  // tex

// Builds the resource list from the archives in the working directory.
void ResourceScanArchives();
// Releases every entry with what is cached in it.
void ResourceFreeAll();
