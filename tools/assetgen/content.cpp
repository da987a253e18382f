// The whole default content as files, and the start-up script.
#include "content.h"

std::string ExecScript()
{
    return "// AVIORRA start-up script. Every line is a console command; lines starting with // are\n"
           "// comments. Edit the values below and start the game again.\n"
           "\n"
           "// Window: g_ablakos 1 runs in a window, 0 full screen; width and height in pixels.\n"
           "set g_ablakos 1\n"
           "set g_hosszusag 800\n"
           "set g_magassag 600\n"
           "// Full screen: refresh rate (Hz), colour depth (16, 24 or 32) and number of back buffers.\n"
           "set g_hertz 60\n"
           "set g_szinmelyseg 32\n"
           "set g_buffer_szam 1\n"
           "set g_tween 0.5\n"
           "// Frame pacing: 1 waits for the display's refresh, 0 draws as fast as the machine can.\n"
           "set g_vsync 1\n"
           "\n"
           "// Sound: master volume, 0 to 100.\n"
           "set h_hangero 80\n"
           "// Console: 1 lets F1 open and close it. h_dev 1 silences the gun.\n"
           "set h_konzol 1\n"
           "set h_dev 0\n"
           "// Desktop comforts: h_fokusz_szunet 1 pauses a run when the window loses the focus or is\n"
           "// minimised (p resumes); h_sugo_tomor 1 packs help's list of commands into a few lines and\n"
           "// lets it filter by a beginning (help s).\n"
           "// h_szoveg_bevitel 1 types the console line and the high-score name through the desktop's\n"
           "// keyboard layout (0: the game's own Hungarian key table; --record always uses the table).\n"
           "set h_fokusz_szunet 1\n"
           "set h_szoveg_bevitel 1\n"
           "set h_sugo_tomor 1\n"
           "// Play comforts: h_menu_jelzes 1 lets \"Load game\" and \"Resume\" say when there is nothing\n"
           "// to load or resume; j_rezges 1 rumbles a gamepad that can when the aircraft is hit or\n"
           "// destroyed and when a bomb bursts.\n"
           "set h_menu_jelzes 1\n"
           "set j_rezges 1\n"
           "// g_arnyekok 1 casts a shadow on the sea below every aircraft, larger and darker the lower\n"
           "// it flies, red under an enemy on your own flight level (where bullets and collisions meet).\n"
           "set g_arnyekok 1\n"
           "// j_bemutato 1 plays a demo run after 20 seconds without a key in the main menu; any key\n"
           "// ends it.\n"
           "set j_bemutato 1\n"
           "// The player's name: \"cfg\" alone runs the file named after it (pilot.cfg).\n"
           "set j_jatekosnev pilot\n"
           "// The air-raid siren is started at full volume and faded out; a sound takes a volume only\n"
           "// once it is loaded, so it is loaded here, before its first use.\n"
           "snd sound\\legiriado.mp3\n"
           "\n"
           "// Keys: bill KEY COMMAND. Arrows fly, a climbs, z descends, SPACE fires, left CTRL bombs,\n"
           "// p pauses, F5 saves the game and F9 loads it.\n"
           "bill UP elore\n"
           "bill DOWN hatra\n"
           "bill LEFT balra\n"
           "bill RIGHT jobbra\n"
           "bill a emelkedik\n"
           "bill z sulyed\n"
           "bill SPACE tuzel\n"
           "bill LCONTROL bombaz\n"
           "bill p pause\n"
           "bill F5 save\n"
           "bill F9 load\n"
           "\n"
           "// Gamepads act as keys: j_pad_NAME KEY for the d-pad and left stick (fel, le, balra, jobbra),\n"
           "// the face buttons (a, b, x, y), Start and Back (vissza).\n"
           "set j_pad_fel UP\n"
           "set j_pad_le DOWN\n"
           "set j_pad_balra LEFT\n"
           "set j_pad_jobbra RIGHT\n"
           "set j_pad_a SPACE\n"
           "set j_pad_b LCONTROL\n"
           "set j_pad_x a\n"
           "set j_pad_y z\n"
           "set j_pad_start p\n"
           "set j_pad_vissza ESCAPE\n";
}

std::vector<ContentFile> GenerateContent()
{
    std::vector<ContentFile> files;
    for (const NamedModel& m : GameModels()) {
        std::string name = m.file.substr(0, m.file.size() - 2);
        files.push_back({"data/mesh/" + m.file, WriteXFile(m.model, name)});
    }
    for (const NamedImage& t : GameTextures()) {
        files.push_back({"data/textures/" + t.file, EncodeTexture(t)});
    }
    for (const Sound& s : GameSounds()) {
        files.push_back({"data/sound/" + s.file, EncodeSound(s)});
    }
    files.push_back({"exec.vrs", ExecScript()});
    return files;
}
