// Text drawn on a real device in a hidden window, read back from the presented frame: where the
// pixels land, their colour, and that nothing lands outside the text's box.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "d3dx/font.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    const std::uint8_t* At(int x, int y) const { return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4; }
    bool Lit(int x, int y) const
    {
        const std::uint8_t* p = At(x, y);
        return p[0] > 24 || p[1] > 24 || p[2] > 24;
    }
};

// The box of lit pixels inside a region of the frame (right and bottom exclusive); empty when none.
struct Ink {
    int left = 1 << 20;
    int top = 1 << 20;
    int right = -1;
    int bottom = -1;
    int count = 0;
    bool Empty() const { return count == 0; }
};

Ink InkIn(const Frame& frame, int x0, int y0, int x1, int y1)
{
    Ink ink;
    for (int y = std::max(0, y0); y < std::min(frame.height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(frame.width, x1); ++x) {
            if (frame.Lit(x, y)) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
                ++ink.count;
            }
        }
    }
    return ink;
}

Ink InkAll(const Frame& frame)
{
    return InkIn(frame, 0, 0, frame.width, frame.height);
}

class FontDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            setupError = SDL_GetError();
            return;
        }
        // One load of the OpenGL library never matched by an unload: the driver's allocations for the
        // life of the process stay attributable, so tests/lsan.supp applies to them.
        SDL_GL_LoadLibrary(nullptr);
        window = SDL_CreateWindow("font", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            setupError = SDL_GetError();
            return;
        }
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        if (d3d == nullptr) {
            setupError = D3DLastErrorText();
            return;
        }
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D16;
        pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                     &pp, &device))) {
            device = nullptr;
            setupError = D3DLastErrorText();
            return;
        }
        small = Create(600 / 60, 800 / 90, "lucida console");
        large = Create(600 / 50, 800 / 78, "verdana");
    }

    static LPD3DXFONT Create(INT height, UINT width, const char* face)
    {
        LPD3DXFONT font = nullptr;
        if (FAILED(D3DXCreateFontA(device, height, width, 0, 0, 0, DEFAULT_CHARSET, OUT_STROKE_PRECIS, DRAFT_QUALITY, 0,
                                   face, &font))) {
            return nullptr;
        }
        return font;
    }

    static void TearDownTestSuite()
    {
        if (small != nullptr) {
            small->Release();
        }
        if (large != nullptr) {
            large->Release();
        }
        if (device != nullptr) {
            EXPECT_EQ(device->Release(), 0u) << "the fonts kept a reference to the device";
        }
        if (d3d != nullptr) {
            d3d->Release();
        }
        D3DObjectCounts live = D3DLiveObjects();
        EXPECT_EQ(live.devices + live.textures + live.vertexBuffers + live.indexBuffers + live.direct3d, 0);
        EXPECT_EQ(D3DXFontLiveCount(), 0);
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        small = large = nullptr;
        device = nullptr;
        d3d = nullptr;
        window = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(device, nullptr) << setupError;
        ASSERT_NE(small, nullptr);
        ASSERT_NE(large, nullptr);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0), S_OK);
        ASSERT_EQ(device->BeginScene(), S_OK);
    }

    // Ends the scene, presents it and reads the frame back.
    Frame Finish()
    {
        Frame frame;
        EXPECT_EQ(device->EndScene(), S_OK);
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
        EXPECT_TRUE(DeviceReadLastFrame(device, frame.width, frame.height, frame.rgba));
        EXPECT_EQ(frame.width, kWidth);
        EXPECT_EQ(frame.height, kHeight);
        return frame;
    }

    static INT Draw(LPD3DXFONT font, const char* text, int x, int y, D3DCOLOR color, DWORD format = DT_NOCLIP)
    {
        RECT rect{x, y, 0, 0};
        return font->DrawTextA(nullptr, text, -1, &rect, format, color);
    }

    static RECT Measure(LPD3DXFONT font, const char* text, int x, int y)
    {
        RECT rect{x, y, 0, 0};
        font->DrawTextA(nullptr, text, -1, &rect, DT_CALCRECT, 0);
        return rect;
    }

    static inline SDL_Window* window = nullptr;
    static inline IDirect3D9* d3d = nullptr;
    static inline IDirect3DDevice9* device = nullptr;
    static inline LPD3DXFONT small = nullptr;
    static inline LPD3DXFONT large = nullptr;
    static inline const char* setupError = "";
};

TEST_F(FontDraw, TextLandsInItsBoxInItsColour)
{
    EXPECT_EQ(Draw(large, "PAUSE", 147, 103, 0xFFFFFF00u), 12);
    RECT box = Measure(large, "PAUSE", 147, 103);
    Frame frame = Finish();
    ASSERT_FALSE(frame.rgba.empty());

    Ink ink = InkAll(frame);
    ASSERT_FALSE(ink.Empty());
    // Inside the text's box, and starting at its top-left corner (capitals start a pixel or two in
    // and below the cell's top by the internal leading).
    EXPECT_GE(ink.left, box.left);
    EXPECT_LE(ink.left, box.left + 3);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LE(ink.top, box.top + 4);
    EXPECT_LE(ink.right, box.right + 1);
    EXPECT_GE(ink.right, box.right - 4);
    EXPECT_LE(ink.bottom, box.bottom);
    EXPECT_EQ(box.bottom - box.top, 12);

    // Yellow: solid pixels are exactly the colour, edges are the colour scaled by coverage.
    int solid = 0;
    for (int y = ink.top; y < ink.bottom; ++y) {
        for (int x = ink.left; x < ink.right; ++x) {
            const std::uint8_t* p = frame.At(x, y);
            EXPECT_LE(p[2], 8) << x << "," << y;
            EXPECT_NEAR(p[0], p[1], 8) << x << "," << y;
            solid += p[0] >= 250 && p[1] >= 250;
        }
    }
    EXPECT_GT(solid, 20);
}

TEST_F(FontDraw, ClippedTextStaysInsideItsRectangle)
{
    RECT rect{40, 40, 70, 48};
    large->DrawTextA(nullptr, "WWWWWWWWWW\nWWWWWWWWW", -1, &rect, DT_LEFT, 0xFFFFFFFFu);
    Frame frame = Finish();
    Ink inside = InkIn(frame, 40, 40, 70, 48);
    EXPECT_GT(inside.count, 20);
    EXPECT_EQ(InkAll(frame).count, inside.count);
}

TEST_F(FontDraw, TwoCallsDrawTwoColours)
{
    Draw(large, "Red", 20, 20, 0xFFFF0000u);
    Draw(small, "Green", 20, 120, 0xFF00FF00u);
    Frame frame = Finish();
    Ink red = InkIn(frame, 0, 0, kWidth, 100);
    Ink green = InkIn(frame, 0, 100, kWidth, kHeight);
    ASSERT_FALSE(red.Empty());
    ASSERT_FALSE(green.Empty());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t* p = frame.At(x, y);
            if (y < 100) {
                ASSERT_LE(p[1], 8) << x << "," << y;
            } else {
                ASSERT_LE(p[0], 8) << x << "," << y;
            }
            ASSERT_LE(p[2], 8) << x << "," << y;
        }
    }
}

TEST_F(FontDraw, ColourAlphaScalesTheGlyphs)
{
    Draw(large, "M", 20, 20, 0x80FFFFFFu);
    Draw(large, "M", 120, 20, 0xFFFFFFFFu);
    Frame frame = Finish();
    int halfMax = 0;
    int fullMax = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            (x < 100 ? halfMax : fullMax) = std::max(x < 100 ? halfMax : fullMax, int{frame.At(x, y)[0]});
        }
    }
    EXPECT_GE(fullMax, 250);
    EXPECT_NEAR(halfMax, 128, 8);
}

TEST_F(FontDraw, AccentedLettersOfCodePage1250AreDrawn)
{
    Draw(large, "e", 50, 50, 0xFFFFFFFFu);
    Draw(large, "\xE9", 150, 50, 0xFFFFFFFFu);  // e with acute accent
    Frame frame = Finish();
    Ink plain = InkIn(frame, 0, 0, 100, kHeight);
    Ink accented = InkIn(frame, 100, 0, kWidth, kHeight);
    ASSERT_FALSE(plain.Empty());
    ASSERT_FALSE(accented.Empty());
    EXPECT_EQ(accented.bottom, plain.bottom);
    EXPECT_LT(accented.top, plain.top - 1);
    EXPECT_GT(accented.count, plain.count);
}

TEST_F(FontDraw, CallerStatesAreUnchangedAfterDrawing)
{
    // The caller's set-up, as the HUD leaves it: its own texture, buffer, vertex format and states.
    IDirect3DTexture9* hud = nullptr;
    IDirect3DVertexBuffer9* band = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &hud, nullptr), S_OK);
    ASSERT_EQ(device->CreateVertexBuffer(4 * 24, 0, 0x142, D3DPOOL_MANAGED, &band, nullptr), S_OK);
    device->SetTexture(0, hud);
    device->SetStreamSource(0, band, 0, 24);
    device->SetFVF(0x142);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);

    Draw(large, "Game Saved", 10, 10, 0xFFFFFF00u);

    auto renderState = [](D3DRENDERSTATETYPE state) {
        DWORD value = 0;
        device->GetRenderState(state, &value);
        return value;
    };
    auto stageState = [](D3DTEXTURESTAGESTATETYPE state) {
        DWORD value = 0;
        device->GetTextureStageState(0, state, &value);
        return value;
    };
    EXPECT_EQ(renderState(D3DRS_ALPHABLENDENABLE), DWORD{FALSE});
    EXPECT_EQ(renderState(D3DRS_ZENABLE), DWORD{TRUE});
    EXPECT_EQ(renderState(D3DRS_FOGENABLE), DWORD{TRUE});
    EXPECT_EQ(renderState(D3DRS_SRCBLEND), DWORD{D3DBLEND_ONE});
    EXPECT_EQ(renderState(D3DRS_CULLMODE), DWORD{D3DCULL_CW});
    EXPECT_EQ(stageState(D3DTSS_ALPHAOP), DWORD{D3DTOP_SELECTARG1});
    EXPECT_EQ(stageState(D3DTSS_ALPHAARG1), D3DTA_DIFFUSE);
    EXPECT_EQ(stageState(D3DTSS_COLOROP), DWORD{D3DTOP_SELECTARG2});
    DWORD value = 0;
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD{D3DTEXF_LINEAR});
    device->GetFVF(&value);
    EXPECT_EQ(value, 0x142u);
    IDirect3DBaseTexture9* texture = nullptr;
    device->GetTexture(0, &texture);
    EXPECT_EQ(texture, hud);
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 1;
    UINT stride = 0;
    device->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, band);
    EXPECT_EQ(stride, 24u);

    // Every reference taken while saving was given back.
    device->SetTexture(0, nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    for (IUnknownLike* object : {static_cast<IUnknownLike*>(texture), static_cast<IUnknownLike*>(stream)}) {
        if (object != nullptr) {
            object->Release();
        }
    }
    EXPECT_EQ(hud->Release(), 0u);
    EXPECT_EQ(band->Release(), 0u);
    Finish();
}

TEST_F(FontDraw, EachFontHasOneAtlasTextureForAllItsCalls)
{
    int before = D3DLiveObjects().textures;
    ULONG deviceRefs = device->AddRef();
    device->Release();
    LPD3DXFONT font = Create(20, 0, "bookman old style");
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(D3DLiveObjects().textures, before + 1);
    for (int frame = 0; frame < 20; ++frame) {
        Draw(font, "AVIORRA 00:01:23", 10, 10, 0xFFFF0000u);
    }
    EXPECT_EQ(D3DLiveObjects().textures, before + 1);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(font->GetDevice(&owner), S_OK);
    EXPECT_EQ(owner, device);
    owner->Release();

    // Release frees the atlas and the font's reference to the device.
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(D3DLiveObjects().textures, before);
    EXPECT_EQ(device->AddRef(), deviceRefs);
    device->Release();
    Ink ink = InkAll(Finish());
    EXPECT_GT(ink.count, 60);  // a CFF face draws too
}

TEST_F(FontDraw, TheGameSizesGiveTheirCells)
{
    // An 800 x 600 window: font 1 10 high and 8 wide, font 2 12 high and 10 wide.
    D3DXFONT_DESCA desc{};
    ASSERT_EQ(small->GetDescA(&desc), S_OK);
    EXPECT_EQ(desc.Height, 10);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.OutputPrecision, OUT_STROKE_PRECIS);
    EXPECT_STREQ(desc.FaceName, "lucida console");
    TEXTMETRICA tm{};
    ASSERT_TRUE(small->GetTextMetricsA(&tm));
    EXPECT_NEAR(tm.tmHeight, 10, 1);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmAveCharWidth, 8);
    ASSERT_TRUE(large->GetTextMetricsA(&tm));
    EXPECT_NEAR(tm.tmHeight, 12, 1);
    EXPECT_EQ(tm.tmAveCharWidth, 10);

    // Wider requests draw wider text.
    RECT narrow = Measure(small, "Enemy: 12", 0, 0);
    LPD3DXFONT wide = Create(10, 12, "lucida console");
    ASSERT_NE(wide, nullptr);
    RECT wider = Measure(wide, "Enemy: 12", 0, 0);
    EXPECT_NEAR(wider.right * 8, narrow.right * 12, 9 * 8);
    EXPECT_EQ(wider.bottom, narrow.bottom);
    wide->Release();
    Finish();
}

TEST_F(FontDraw, CreationRefusesBadArguments)
{
    int textures = D3DLiveObjects().textures;
    LPD3DXFONT font = reinterpret_cast<LPD3DXFONT>(device);  // anything but null
    EXPECT_EQ(D3DXCreateFontA(nullptr, 10, 8, 0, 0, FALSE, 1, 3, 1, 0, "verdana", &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontA(device, 10, 8, 0, 0, FALSE, 1, 3, 1, 0, nullptr, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(device, 10, 8, 0, 0, FALSE, 1, 3, 1, 0, "verdana", nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(device, 10, 8, 0, 0, FALSE, 1, 3, 1, 0,
                              "a face name far longer than thirty-one characters", &font),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateFontA(device, 50000, 8, 0, 0, FALSE, 1, 3, 1, 0, "verdana", &font), E_FAIL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DLiveObjects().textures, textures);

    // Text that is empty or null draws nothing; measuring draws nothing either.
    RECT rect{10, 10, 0, 0};
    EXPECT_EQ(large->DrawTextA(nullptr, "", -1, &rect, DT_NOCLIP, 0xFFFFFFFFu), 0);
    EXPECT_EQ(large->DrawTextA(nullptr, nullptr, -1, &rect, DT_NOCLIP, 0xFFFFFFFFu), 0);
    RECT calc{10, 10, 0, 0};
    EXPECT_EQ(large->DrawTextA(nullptr, "abc\nde", -1, &calc, DT_CALCRECT, 0xFFFFFFFFu), 24);
    EXPECT_EQ(calc.bottom, 34);
    EXPECT_GT(calc.right, 10);
    EXPECT_TRUE(InkAll(Finish()).Empty());
}

}  // namespace
