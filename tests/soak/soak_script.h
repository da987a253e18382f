// Random virtual play as an input script for the real binary: new games from the menu, flying and
// shooting with the bound keys, pause, saving and loading with F5 and F9, the console opened and a
// few harmless commands typed, back to the menu with ESCAPE, high scores, deaths and name entry as
// they come. The menu is always entered from its top item and never walks past "High Scores", so
// the run never picks "Exit" and lasts as long as the script.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct SoakScript {
    std::string text;
    std::uint64_t frames = 0;
    std::uint64_t milliseconds = 0;   // virtual time of all frames
};

class SoakScriptWriter {
public:
    SoakScriptWriter(unsigned seed, int minFrameMs, int maxFrameMs)
        : random_(seed), minFrameMs_(minFrameMs), maxFrameMs_(maxFrameMs)
    {
        script_.text = "seed " + std::to_string(seed) + "\n";
    }

    // Adds segments until the virtual time reaches `milliseconds`.
    SoakScript Write(std::uint64_t milliseconds)
    {
        Wait(3000);   // the intro and the first menu frames
        MenuChoice(0);
        while (script_.milliseconds < milliseconds) {
            const int pick = Uniform(0, 99);
            if (pick < 12) {
                MenuChoice(Uniform(0, 9) < 6 ? 0 : Uniform(1, 3));
            } else if (pick < 60) {
                Fly();
            } else if (pick < 67) {
                Hold("p", 1);   // pause and on again, once the key delay has run out
                Wait(Uniform(700, 2000));
                Hold("p", 1);
                Wait(300);
            } else if (pick < 74) {
                Hold("F5", 1);
                Wait(Uniform(300, 2000));
            } else if (pick < 80) {
                Hold("F9", 1);
                Wait(Uniform(300, 2000));
            } else if (pick < 88) {
                ConsoleLine();
            } else if (pick < 93) {
                Hold("ESCAPE", 1);   // back to the menu, the run waits behind "Resume"
                Wait(800);
            } else {
                NameEntry();
            }
        }
        return script_;
    }

private:
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // `count` frames of random length with `keys` down.
    void Frames(int count, const std::string& keys)
    {
        for (int i = 0; i < count; ++i) {
            const int ms = Uniform(minFrameMs_, maxFrameMs_);
            script_.text += "1 " + std::to_string(ms) + (keys.empty() ? "" : " " + keys) + "\n";
            ++script_.frames;
            script_.milliseconds += static_cast<std::uint64_t>(ms);
        }
    }

    void Hold(const std::string& keys, int frames) { Frames(frames, keys); }

    void Wait(int milliseconds)
    {
        const int frameMs = (minFrameMs_ + maxFrameMs_) / 2;
        const int count = milliseconds / frameMs + 1;
        script_.text += std::to_string(count) + " " + std::to_string(frameMs) + "\n";
        script_.frames += static_cast<std::uint64_t>(count);
        script_.milliseconds += static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(frameMs);
    }

    // To the top item, `down` items down to New Game, Load Game, Resume or High Scores, and ENTER.
    // A new game is flown for a moment and saved with F5.
    void MenuChoice(int down)
    {
        for (int i = 0; i < 5; ++i) {
            Hold("UP", 1);
            Wait(300);
        }
        for (int i = 0; i < down; ++i) {
            Hold("DOWN", 1);
            Wait(300);
        }
        Hold("ENTER", 1);
        Wait(800);
        if (down == 0) {
            Fly();
            Hold("F5", 1);
            Wait(500);
        }
    }

    // A few seconds of flight: steering, level changes, gun and bombs in random combinations.
    void Fly()
    {
        static const std::vector<std::string> kKeys = {"UP", "DOWN", "LEFT", "RIGHT", "a", "z", "SPACE", "LCONTROL"};
        const int parts = Uniform(3, 12);
        for (int p = 0; p < parts; ++p) {
            std::string keys;
            for (const std::string& key : kKeys) {
                if (Uniform(0, 3) == 0) {
                    keys += (keys.empty() ? "" : " ") + key;
                }
            }
            Frames(Uniform(2, 30), keys);
        }
    }

    // Types a word one key at a time, each key released again before the next.
    void Type(const std::string& word)
    {
        for (const char c : word) {
            Hold(c == ' ' ? "SPACE" : std::string(1, c), 1);
            Frames(1, "");
        }
    }

    // F1, a command, ENTER, F1. From the menu F1 does nothing and the ENTER starts a new game, so
    // the selection is brought to the top first.
    void ConsoleLine()
    {
        static const std::vector<std::string> kLines = {"varlist", "echo soak", "cmdlist", "archlist", "ver", "cls"};
        for (int i = 0; i < 5; ++i) {
            Hold("UP", 1);
            Wait(250);
        }
        Hold("F1", 1);
        Wait(800);
        Type(kLines[static_cast<std::size_t>(Uniform(0, static_cast<int>(kLines.size()) - 1))]);
        Hold("ENTER", 1);
        Wait(800);
        Hold("F1", 1);
        Wait(800);
    }

    // After a death: ENTER on the statistics, a name typed if the run ranks, ENTER; on the table
    // ENTER again back to the menu. Outside those screens it is harmless: the selection is brought
    // to the top before each ENTER, which then starts a new game.
    void NameEntry()
    {
        for (int i = 0; i < 5; ++i) {
            Hold("UP", 1);
            Wait(250);
        }
        Hold("ENTER", 1);
        Wait(800);
        Type("ace");
        for (int i = 0; i < 5; ++i) {
            Hold("UP", 1);
            Wait(250);
        }
        Hold("ENTER", 1);
        Wait(800);
    }

    std::mt19937 random_;
    int minFrameMs_;
    int maxFrameMs_;
    SoakScript script_;
};
