// What the console printed, read back from its text buffer.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

// Every non-empty line of the text buffer, oldest first.
inline std::vector<std::string> PrintedLines()
{
    std::vector<std::string> lines;
    for (const auto& line : console.text) {
        if (line[0] != '\0') {
            lines.emplace_back(line);
        }
    }
    return lines;
}
