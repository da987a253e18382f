// The game's sounds, synthesised: engine and wind loops, gun, falling bomb, explosions, siren, hits and
// the two menu sounds. Mono, 22050 Hz; written as 16-bit WAV, the siren as MPEG layer III.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "content.h"
// The game's own little-endian writer; it needs nothing of the game.
#include "platform/bass/wav.h"

namespace {

constexpr float kTwoPi = 6.2831853f;
constexpr float kRate = static_cast<float>(kSoundRate);

std::size_t Frames(float seconds)
{
    return static_cast<std::size_t>(std::lround(seconds * kRate));
}

// White noise in -1..1.
std::vector<float> Noise(std::size_t frames, std::uint64_t seed)
{
    Random random(seed);
    std::vector<float> out(frames);
    for (float& s : out) {
        s = random.Range(-1.0f, 1.0f);
    }
    return out;
}

// One-pole low-pass at `cutoff` Hz. `circular` filters the buffer as one period of an endless loop,
// so its end joins its start.
void LowPass(std::vector<float>& x, float cutoff, bool circular = false)
{
    const float a = 1.0f - std::exp(-kTwoPi * cutoff / kRate);
    float y = 0.0f;
    if (circular) {
        for (float s : x) {
            y += a * (s - y);
        }
    }
    for (float& s : x) {
        y += a * (s - y);
        s = y;
    }
}

void HighPass(std::vector<float>& x, float cutoff, bool circular = false)
{
    std::vector<float> low = x;
    LowPass(low, cutoff, circular);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] -= low[i];
    }
}

void Normalise(std::vector<float>& x, float peak)
{
    float most = 0.0f;
    for (float s : x) {
        most = std::max(most, std::fabs(s));
    }
    if (most > 0.0f) {
        for (float& s : x) {
            s *= peak / most;
        }
    }
}

// Short fades at both ends against clicks of one-shot sounds.
void Fades(std::vector<float>& x, float inSeconds, float outSeconds)
{
    const std::size_t in = std::min(x.size(), Frames(inSeconds)), out = std::min(x.size(), Frames(outSeconds));
    for (std::size_t i = 0; i < in; ++i) {
        x[i] *= static_cast<float>(i) / static_cast<float>(in);
    }
    for (std::size_t i = 0; i < out; ++i) {
        x[x.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(out);
    }
}

// Engine: a one-second loop. Every component repeats a whole number of times per loop (whole-hertz
// frequencies, noise filtered as a loop), so the loop has no seam. The game plays it about twice as
// fast, raising the pitch with the speed.
std::vector<float> Engine()
{
    const std::size_t n = Frames(1.0f);
    std::vector<float> rumble = Noise(n, 7);
    LowPass(rumble, 300.0f, true);
    LowPass(rumble, 300.0f, true);
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        // Cylinder firing pulses at 36 Hz with their harmonics, slightly uneven between cylinders.
        const float firing = 0.5f + 0.5f * std::sin(kTwoPi * 36.0f * t);
        const float pulse = std::pow(firing, 6.0f) * (1.0f + 0.15f * std::sin(kTwoPi * 6.0f * t));
        const float tone = 0.45f * std::sin(kTwoPi * 36.0f * t) + 0.3f * std::sin(kTwoPi * 72.0f * t + 0.5f) +
                           0.15f * std::sin(kTwoPi * 108.0f * t + 1.1f) + 0.08f * std::sin(kTwoPi * 180.0f * t);
        out[i] = tone * (0.6f + 0.4f * pulse) + rumble[i] * 2.5f * (0.4f + pulse);
    }
    Normalise(out, 0.6f);
    return out;
}

// Wind: band-limited noise swelling twice in its two-second loop.
std::vector<float> Wind()
{
    const std::size_t n = Frames(2.0f);
    std::vector<float> air = Noise(n, 13);
    LowPass(air, 900.0f, true);
    HighPass(air, 150.0f, true);
    std::vector<float> hiss = Noise(n, 14);
    LowPass(hiss, 3500.0f, true);
    HighPass(hiss, 1500.0f, true);
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float gust = 0.65f + 0.25f * std::sin(kTwoPi * 1.0f * t) + 0.1f * std::sin(kTwoPi * 1.5f * t + 1.0f);
        out[i] = (air[i] + 0.35f * hiss[i]) * gust;
    }
    Normalise(out, 0.5f);
    return out;
}

// Gun: a sharp crack over a short low thump. Shorter than the gun's 0.08 s interval, so every shot
// is heard.
std::vector<float> Gun()
{
    const std::size_t n = Frames(0.07f);
    std::vector<float> crack = Noise(n, 21);
    LowPass(crack, 5000.0f);
    std::vector<float> out(n);
    float phase = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        phase += kTwoPi * (180.0f - 1200.0f * t) / kRate;
        out[i] = crack[i] * std::exp(-t * 70.0f) + 0.7f * std::sin(phase) * std::exp(-t * 40.0f);
    }
    Normalise(out, 0.8f);
    Fades(out, 0.0005f, 0.01f);
    return out;
}

// Falling bomb: a whistle gliding down, with a little flutter.
std::vector<float> BombWhistle()
{
    const std::size_t n = Frames(1.6f);
    std::vector<float> air = Noise(n, 31);
    LowPass(air, 2000.0f);
    std::vector<float> out(n);
    float phase = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float f = 1500.0f - 700.0f * (t / 1.6f) + 12.0f * std::sin(kTwoPi * 7.0f * t);
        phase += kTwoPi * f / kRate;
        const float swell = std::fmin(1.0f, t / 0.3f);
        out[i] = swell * (0.8f * std::sin(phase) + 0.15f * air[i]);
    }
    Normalise(out, 0.5f);
    Fades(out, 0.01f, 0.05f);
    return out;
}

// An explosion: a low thump, a noise burst and a rumbling tail; `crackle` adds falling debris.
std::vector<float> Blast(float seconds, float thumpHz, float body, std::uint64_t seed, float crackle)
{
    const std::size_t n = Frames(seconds);
    std::vector<float> burst = Noise(n, seed);
    LowPass(burst, body);
    LowPass(burst, body);
    std::vector<float> out(n);
    Random random(seed + 1000);
    float phase = 0.0f;
    float debris = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        phase += kTwoPi * thumpHz * (1.0f - 0.5f * std::fmin(1.0f, t / 0.4f)) / kRate;
        const float thump = std::sin(phase) * std::exp(-t * 7.0f);
        const float roar = burst[i] * 4.0f * (std::exp(-t * 3.0f / seconds) - std::exp(-t * 200.0f));
        if (crackle > 0.0f && t > 0.15f && random.Unit() < crackle * 0.0015f * std::exp(-t)) {
            debris = random.Range(-1.0f, 1.0f);
        }
        debris *= 0.985f;
        out[i] = thump + roar + 0.3f * debris;
    }
    Normalise(out, 0.9f);
    Fades(out, 0.001f, 0.2f);
    return out;
}

// The air-raid siren: a wailing tone rising and falling.
std::vector<float> Siren()
{
    const float seconds = 9.0f;
    const std::size_t n = Frames(seconds);
    std::vector<float> out(n);
    float phase = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        const float wail = 0.5f - 0.5f * std::cos(kTwoPi * t / 4.5f);
        const float f = 260.0f + 420.0f * wail;
        phase += kTwoPi * f / kRate;
        const float tone = std::sin(phase) + 0.4f * std::sin(2.0f * phase) + 0.2f * std::sin(3.0f * phase);
        out[i] = tone * std::fmin(1.0f, t / 0.8f);
    }
    Normalise(out, 0.7f);
    Fades(out, 0.01f, 0.5f);
    return out;
}

// A hit: a metallic clank of a few inharmonic partials over a click; each variant its own partials.
std::vector<float> Hit(int variant)
{
    static const float kPartials[6][3] = {{620, 1430, 2310}, {540, 1210, 2790}, {780, 1650, 2480},
                                          {450, 1020, 1970}, {700, 1880, 3150}, {580, 1330, 2120}};
    const float seconds = 0.16f + 0.02f * static_cast<float>(variant);
    const std::size_t n = Frames(seconds);
    std::vector<float> click = Noise(n, 50u + static_cast<std::uint64_t>(variant));
    HighPass(click, 1500.0f);
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        float ring = 0.0f;
        for (int p = 0; p < 3; ++p) {
            ring += std::sin(kTwoPi * kPartials[variant][p] * t) * std::exp(-t * (18.0f + 10.0f * p)) / (1.0f + p);
        }
        out[i] = ring + click[i] * std::exp(-t * 90.0f);
    }
    Normalise(out, 0.7f);
    Fades(out, 0.0005f, 0.02f);
    return out;
}

// Menu confirmation: a short tick.
std::vector<float> Click()
{
    const std::size_t n = Frames(0.05f);
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        out[i] = (std::sin(kTwoPi * 1900.0f * t) + 0.5f * std::sin(kTwoPi * 3100.0f * t)) * std::exp(-t * 90.0f);
    }
    Normalise(out, 0.6f);
    Fades(out, 0.0005f, 0.005f);
    return out;
}

// Menu selection move: a soft rising blip.
std::vector<float> Blip()
{
    const std::size_t n = Frames(0.09f);
    std::vector<float> out(n);
    float phase = 0.0f;
    for (std::size_t i = 0; i < n; ++i) {
        const float t = static_cast<float>(i) / kRate;
        phase += kTwoPi * (880.0f + 4400.0f * t) / kRate;
        out[i] = std::sin(phase) * std::sin(3.14159265f * t / 0.09f);
    }
    Normalise(out, 0.45f);
    return out;
}

std::vector<std::int16_t> Pcm(const std::vector<float>& samples)
{
    std::vector<std::int16_t> pcm;
    pcm.reserve(samples.size());
    for (float s : samples) {
        pcm.push_back(static_cast<std::int16_t>(std::lround(std::fmax(-1.0f, std::fmin(1.0f, s)) * 32767.0f)));
    }
    return pcm;
}

std::string Wav(const std::vector<float>& samples)
{
    return WavPcm16(Pcm(samples), 1, kSoundRate);
}

// libsndfile writes through these callbacks into a string.
struct MemoryOut {
    std::string bytes;
    sf_count_t position = 0;
};

sf_count_t OutLength(void* user)
{
    return static_cast<sf_count_t>(static_cast<MemoryOut*>(user)->bytes.size());
}

sf_count_t OutSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const sf_count_t base = whence == SEEK_CUR ? m->position : (whence == SEEK_END ? OutLength(user) : 0);
    if (base + offset < 0) {
        return -1;
    }
    m->position = base + offset;
    return m->position;
}

sf_count_t OutRead(void* destination, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const sf_count_t left = std::max<sf_count_t>(0, OutLength(user) - m->position);
    const sf_count_t n = std::min(count, left);
    if (n > 0) {
        std::memcpy(destination, m->bytes.data() + m->position, static_cast<std::size_t>(n));
        m->position += n;
    }
    return n;
}

sf_count_t OutWrite(const void* source, sf_count_t count, void* user)
{
    auto* m = static_cast<MemoryOut*>(user);
    const std::size_t end = static_cast<std::size_t>(m->position + count);
    if (m->bytes.size() < end) {
        m->bytes.resize(end, '\0');
    }
    std::memcpy(m->bytes.data() + m->position, source, static_cast<std::size_t>(count));
    m->position += count;
    return count;
}

sf_count_t OutTell(void* user)
{
    return static_cast<MemoryOut*>(user)->position;
}

std::string Mp3(const std::vector<float>& samples)
{
    MemoryOut memory;
    SF_VIRTUAL_IO io{OutLength, OutSeek, OutRead, OutWrite, OutTell};
    SF_INFO info{};
    info.samplerate = kSoundRate;
    info.channels = 1;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (file == nullptr) {
        return {};
    }
    // A constant bit rate at a middling quality keeps the file small and its bytes the same each time.
    int mode = SF_BITRATE_MODE_CONSTANT;
    sf_command(file, SFC_SET_BITRATE_MODE, &mode, sizeof mode);
    double level = 0.6;
    sf_command(file, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
    const std::vector<std::int16_t> pcm = Pcm(samples);
    const sf_count_t written = sf_writef_short(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(file);
    if (written != static_cast<sf_count_t>(pcm.size())) {
        return {};
    }
    return memory.bytes;
}

}  // namespace

std::vector<Sound> GameSounds()
{
    std::vector<Sound> sounds = {
        {"klikk.wav", Click(), false},
        {"over.wav", Blip(), false},
        {"szelfuvas.wav", Wind(), true},
        {"motor.wav", Engine(), true},
        {"tuzel.wav", Gun(), false},
        {"bombaz.wav", BombWhistle(), false},
        {"robban_bomba1.wav", Blast(1.2f, 70.0f, 900.0f, 61, 0.0f), false},
        {"robban_bomba2.wav", Blast(1.4f, 55.0f, 700.0f, 62, 0.0f), false},
        {"robban_epulet1.wav", Blast(2.0f, 48.0f, 600.0f, 63, 1.0f), false},
        {"robban_epulet2.wav", Blast(2.2f, 42.0f, 800.0f, 64, 1.5f), false},
        {"legiriado.mp3", Siren(), false},
    };
    for (int i = 0; i < 6; ++i) {
        sounds.push_back({"talalat" + std::to_string(i + 1) + ".wav", Hit(i), false});
    }
    sounds.push_back({"robban_repulo.wav", Blast(1.5f, 90.0f, 1400.0f, 70, 0.7f), false});
    return sounds;
}

std::string EncodeSound(const Sound& sound)
{
    const std::string& f = sound.file;
    if (f.size() > 4 && f.compare(f.size() - 4, 4, ".mp3") == 0) {
        return Mp3(sound.samples);
    }
    return Wav(sound.samples);
}
