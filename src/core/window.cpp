#include "core/window.h"

namespace {

// The module instance handle: any stable non-null value identifies this program.
char instanceTag;

}  // namespace

HINSTANCE gameInstance = &instanceTag;
HWND gameWindow = nullptr;
std::int32_t windowWidth = 0;
std::int32_t windowHeight = 0;
