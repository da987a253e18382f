// The sound manager: every sound is the one stream of its resource entry, created on first use from
// the whole file image, which the entry keeps (streamData) for as long as the stream lives.
#include "resources/sound.h"

#include "console/console.h"
#include "platform/bass/bass.h"
#include "platform/win/codepage.h"
#include "resources/resources.h"

namespace {

enum ErrorContext : unsigned {
    kAfterStreamCreation = 1,
    kAfterAttributeChange = 2,
};

struct ErrorName {
    int code;
    const char* text;
    unsigned contexts;
};

// The audio library's error codes that the console names, and after which kind of call.
constexpr ErrorName kErrorNames[] = {
    {BASS_ERROR_MEM, "BASS_ERROR_MEM", kAfterStreamCreation},
    {BASS_ERROR_FILEOPEN, "BASS_ERROR_FILEOPEN", kAfterStreamCreation},
    {BASS_ERROR_HANDLE, "BASS_ERROR_HANDLE", kAfterAttributeChange},
    {BASS_ERROR_FORMAT, "BASS_ERROR_FORMAT", kAfterStreamCreation},
    {BASS_ERROR_INIT, "BASS_ERROR_INIT", kAfterStreamCreation},
    {BASS_ERROR_ILLPARAM, "BASS_ERROR_ILLPARAM", kAfterStreamCreation},
    {BASS_ERROR_NO3D, "BASS_ERROR_NO3D", kAfterStreamCreation},
    {BASS_ERROR_FREQ, "BASS_ERROR_FREQ", kAfterAttributeChange},
    {BASS_ERROR_NOTAVAIL, "BASS_ERROR_NOTAVAIL", kAfterStreamCreation | kAfterAttributeChange},
    {BASS_ERROR_DECODE, "BASS_ERROR_DECODE", kAfterAttributeChange},
    {BASS_ERROR_FILEFORM, "BASS_ERROR_FILEFORM", kAfterStreamCreation},
    {BASS_ERROR_SPEAKER, "BASS_ERROR_SPEAKER", kAfterStreamCreation},
    {BASS_ERROR_UNKNOWN, "BASS_ERROR_UNKNOWN", kAfterStreamCreation},
};

// Prints the name of the library's last error when it is one named after this kind of call.
void PrintErrorName(unsigned context)
{
    int code = BASS_ErrorGetCode();
    for (const ErrorName& name : kErrorNames) {
        if (name.code == code && (name.contexts & context) != 0) {
            ConsolePrintf(console, "%s", name.text);
            return;
        }
    }
}

// The library's one-off notices (such as the fall-back to the null output) go to the console.
void PrintNotice(const char* text)
{
    ConsolePrintf(console, "%s", text);
}

[[maybe_unused]] const bool noticesToConsole = (BassSetNoticeHandler(PrintNotice), true);

}  // namespace

void SoundLoad(const char* name, std::uint32_t flags)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        ConsolePrintf(console, "Nem található a hangfájl! (%s)"_cp, name);
        return;
    }
    if (entry->stream != 0) {
        return;
    }
    // An image left by an earlier failed attempt has no stream reading it.
    delete[] entry->streamData;
    entry->streamData = ResourceLoadBytes(name);
    if (entry->streamData == nullptr) {
        ConsolePrintf(console, "%s", "A betöltés sikertelen!"_cp);
    } else {
        // A negative size of a damaged directory record reads as an empty image.
        auto length = static_cast<DWORD>(entry->size > 0 ? entry->size : 0);
        entry->stream = BASS_StreamCreateFile(1, entry->streamData, 0, length, flags);
    }
    if (entry->stream == 0) {
        ConsolePrintf(console, "Hangfájl betöltése sikertelen! (%s)"_cp, entry->name);
        PrintErrorName(kAfterStreamCreation);
        // Without a stream the image is of no use; the next attempt loads it again.
        delete[] entry->streamData;
        entry->streamData = nullptr;
    }
}

int SoundPlay(const char* name, bool looping)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        return 0;
    }
    if (entry->stream == 0) {
        SoundLoad(name, 0);
    }
    switch (BASS_ChannelIsActive(entry->stream)) {
    case BASS_ACTIVE_PLAYING: return 1;
    case BASS_ACTIVE_PAUSED: BASS_ChannelResume(entry->stream); return 1;
    default: break;
    }
    if (BASS_StreamPlay(entry->stream, 1, looping ? BASS_SAMPLE_LOOP : 0) == 0) {
        ConsolePrintf(console, "A BASS rendszer hibát észlelt! (%s)"_cp, name);
        return 0;
    }
    return 1;
}

void SoundStop(const char* name)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry != nullptr) {
        BASS_ChannelStop(entry->stream);
    }
}

int SoundSetAttributes(const char* name, int frequency, int volume, int pan)
{
    ResourceEntry* entry = ResourceFind(name);
    if (entry == nullptr) {
        return 0;
    }
    BOOL result = BASS_ChannelSetAttributes(entry->stream, frequency, volume, pan);
    if (result == 0) {
        ConsolePrintf(console, "Hiba a hangszabályzásnál! (%s)"_cp, name);
        PrintErrorName(kAfterAttributeChange);
    }
    return result;
}
