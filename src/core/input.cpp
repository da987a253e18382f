#include "core/input.h"

InputState inputState = {};
std::string inputText;

bool InputTextActive()
{
    return DInputTextInputActive();
}
