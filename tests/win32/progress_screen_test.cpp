#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer/installer_state.h"
#include "installer/window.h"
#include "render/bitmap.h"
#include "render/layout.h"
#include "render/progress_screen.h"
#include "tests/fixtures/synthetic_saver.h"

namespace {

using Pixels = std::vector<DWORD>;  // 0x00RRGGBB, top row first

const DWORD kWhite = 0x00FFFFFF;

// 0x00BBGGRR (COLORREF) to the 0x00RRGGBB of a 32-bit DIB.
DWORD Dib(uint32_t colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

int Red(DWORD p) {
    return p >> 16 & 0xFF;
}
int Green(DWORD p) {
    return p >> 8 & 0xFF;
}
int Blue(DWORD p) {
    return p & 0xFF;
}

// Between white and black (the unfilled strip, smoothing included) or between magenta and
// navy (the filled one).
bool IsUnfilled(DWORD p) {
    return Red(p) == Green(p) && Green(p) == Blue(p);
}
bool IsFilled(DWORD p) {
    return Green(p) == 0 && Blue(p) >= 128;
}
bool IsInk(DWORD p) {
    return Red(p) < 128;
}

// A borderless window of the chosen size, whose client rectangle the painting reads, and a
// 32-bit DIB section of the same size to paint into and read back.
class Screen : public testing::Test {
protected:
    void Open(int width, int height) {
        width_ = width;
        height_ = height;
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ProgressScreenTest";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "ProgressScreenTest", "", WS_POPUP, 0, 0, width, height,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
        ASSERT_NE(nullptr, window_);
        RECT client;
        GetClientRect(window_, &client);
        ASSERT_EQ(width, client.right);
        ASSERT_EQ(height, client.bottom);

        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        canvas_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(nullptr, canvas_);
        oldCanvas_ = SelectObject(dc_, canvas_);
        bits_ = static_cast<DWORD*>(bits);

        CreateProgressFonts(1024);  // the window procedure's fonts, title 42 pixels high
        lstrcpyA(g_installer.SaverDisplayName, "Starlight");
    }
    void TearDown() override {
        DeleteObject(g_installer.TitleFont);
        DeleteObject(g_installer.PercentFont);
        g_installer.TitleFont = g_installer.PercentFont = nullptr;
        if (g_installer.SplashBitmap)
            DeleteObject(g_installer.SplashBitmap);
        g_installer.SplashBitmap = nullptr;
        g_installer.ProgressPercent = 0;
        if (dc_) {
            SelectObject(dc_, oldCanvas_);
            DeleteDC(dc_);
        }
        DeleteObject(canvas_);
        DestroyWindow(window_);
    }

    Pixels Paint(int percent, int barOnly) {
        g_installer.ProgressPercent = percent;
        DrawProgressScreen(window_, dc_, barOnly);
        GdiFlush();
        return Pixels(bits_, bits_ + width_ * height_);
    }
    DWORD At(const Pixels& p, int x, int y) const { return p[y * width_ + x]; }
    bool InBar(const ProgressBarLayout& bar, int x, int y) const {
        return x >= bar.left && x < bar.left + bar.width && y >= bar.top &&
               y < bar.top + kBarHeight;
    }
    SIZE Measure(HFONT font, const char* text) {
        HGDIOBJ old = SelectObject(dc_, font ? font : GetStockObject(SYSTEM_FONT));
        SIZE size = {};
        GetTextExtentPoint32A(dc_, text, lstrlenA(text), &size);
        SelectObject(dc_, old);
        return size;
    }
    // Texts drawn by the platform alone at the given points, `colour` on `background`, as a
    // picture of the screen's size to compare with.
    struct Line {
        int x, y;
        const char* text;
    };
    Pixels Reference(HFONT font, COLORREF background, COLORREF colour,
                     std::initializer_list<Line> lines) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        HBITMAP picture = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ oldPicture = SelectObject(dc, picture);
        HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
        HBRUSH brush = CreateSolidBrush(background);
        RECT all = {0, 0, width_, height_};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colour);
        for (const Line& line : lines)
            TextOutA(dc, line.x, line.y, line.text, lstrlenA(line.text));
        GdiFlush();
        Pixels pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width_ * height_);
        SelectObject(dc, oldFont);
        SelectObject(dc, oldPicture);
        DeleteDC(dc);
        DeleteObject(picture);
        return pixels;
    }
    DWORD BandAt(int y) const {
        for (int k = 0; k < kBandCount; ++k) {
            GradientBand band = GetGradientBand(k, height_);
            if (y >= band.top && y < band.bottom)
                return Dib(band.colour);
        }
        return 0xFFFFFFFF;
    }

    int width_ = 0, height_ = 0;
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP canvas_ = nullptr;
    HGDIOBJ oldCanvas_ = nullptr;
    DWORD* bits_ = nullptr;
};

class ProgressScreen : public Screen {
protected:
    // The size of the screen, as the installer's window: the splash sits on SM_CYSCREEN.
    void SetUp() override { Open(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)); }
};

TEST_F(ProgressScreen, FullPaintShowsGradientSplashAndBar) {
    const int bw = 40, bh = 30;
    fixtures::Bytes dib = fixtures::SplashDib(bw, bh);
    g_installer.SplashBitmap = CreateBitmapFromDib(dib.data(), nullptr);
    ASSERT_NE(nullptr, g_installer.SplashBitmap);
    Pixels p = Paint(50, 0);

    // The right-most column misses titles, splash and bar: the gradient on every row.
    EXPECT_EQ(0x0000FFu, At(p, width_ - 1, 0));
    EXPECT_EQ(0x000002u, At(p, width_ - 1, height_ - 1));
    for (int y = 0; y < height_; ++y)
        ASSERT_EQ(BandAt(y), At(p, width_ - 1, y)) << "row " << y;

    // Splash on the bottom edge, 16 pixels in; its black middle shows the gradient.
    const int top = height_ - bh, stride = (bw * 3 + 3) / 4 * 4;
    for (int j = 0; j < bh; ++j) {
        for (int i = 0; i < bw; ++i) {
            const uint8_t* s = &dib[40 + static_cast<size_t>(bh - 1 - j) * stride + i * 3];
            DWORD source = s[2] << 16 | s[1] << 8 | s[0];
            DWORD expected = source ? source : BandAt(top + j);
            ASSERT_EQ(expected, At(p, 16 + i, top + j)) << i << ", " << j;
        }
        EXPECT_EQ(BandAt(top + j), At(p, 15, top + j));
        EXPECT_EQ(BandAt(top + j), At(p, 16 + bw, top + j));
    }
    EXPECT_EQ(BandAt(top - 1), At(p, 16, top - 1));

    // The bar's rectangle exactly: filled on the left, unfilled on the right, gradient around.
    ProgressBarLayout bar = GetProgressBarLayout(width_, height_, 50);
    for (int y = bar.top - 1; y <= bar.top + kBarHeight; ++y) {
        for (int x = bar.left - 1; x <= bar.left + bar.width; ++x) {
            DWORD pixel = At(p, x, y);
            if (!InBar(bar, x, y))
                ASSERT_EQ(BandAt(y), pixel) << x << ", " << y;
            else if (x < bar.left + bar.filled)
                ASSERT_TRUE(IsFilled(pixel)) << x << ", " << y << ": " << std::hex << pixel;
            else
                ASSERT_TRUE(IsUnfilled(pixel)) << x << ", " << y << ": " << std::hex << pixel;
        }
    }
}

TEST_F(ProgressScreen, EmptyBarIsWhiteWithABlackLabelAndFullBarMagentaWithNavy) {
    struct Case {
        int percent;
        DWORD background, label;
    } cases[] = {{0, kWhite, 0x000000}, {100, Dib(kFilledColour), Dib(kFilledLabelColour)}};
    for (const auto& c : cases) {
        Pixels p = Paint(c.percent, 0);
        ProgressBarLayout bar = GetProgressBarLayout(width_, height_, c.percent);
        int background = 0, label = 0;
        for (int y = bar.top; y < bar.top + kBarHeight; ++y) {
            for (int x = bar.left; x < bar.left + bar.width; ++x) {
                DWORD pixel = At(p, x, y);
                background += pixel == c.background;
                label += pixel == c.label;
                ASSERT_TRUE(c.percent ? IsFilled(pixel) : IsUnfilled(pixel))
                    << c.percent << ": " << x << ", " << y << ": " << std::hex << pixel;
            }
        }
        EXPECT_GT(background, bar.width * kBarHeight * 3 / 4) << c.percent;
        EXPECT_GT(label, 20) << c.percent;
    }
}

// The red channel goes from 255 to 0 under the label's ink on both strips (white to black,
// magenta to navy), so it must match the label drawn black on white at the centred point.
TEST_F(ProgressScreen, LabelSplitsExactlyAtTheFillBoundary) {
    Pixels p = Paint(50, 0);
    ProgressBarLayout bar = GetProgressBarLayout(width_, height_, 50);
    SIZE text = Measure(g_installer.PercentFont, "50 %");
    LayoutPoint origin = GetLabelOrigin(bar.width, text.cx, text.cy);
    Pixels label = Reference(g_installer.PercentFont, RGB(255, 255, 255), RGB(0, 0, 0),
                             {{bar.left + origin.x, bar.top + origin.y, "50 %"}});
    const int boundary = bar.left + bar.filled;
    int inkLeft = 0, inkRight = 0;
    for (int y = bar.top; y < bar.top + kBarHeight; ++y) {
        for (int x = bar.left; x < bar.left + bar.width; ++x) {
            DWORD pixel = At(p, x, y);
            ASSERT_TRUE(x < boundary ? IsFilled(pixel) : IsUnfilled(pixel))
                << x << ", " << y << ": " << std::hex << pixel;
            ASSERT_EQ(Red(At(label, x, y)), Red(pixel)) << x << ", " << y;
            (x < boundary ? inkLeft : inkRight) += IsInk(pixel);
        }
    }
    EXPECT_GT(inkLeft, 10);
    EXPECT_GT(inkRight, 10);
}

TEST_F(ProgressScreen, BarOnlyRepaintsTheBarAndNothingElse) {
    Pixels full = Paint(37, 0);
    for (int i = 0; i < width_ * height_; ++i)
        bits_[i] = 0x00123456 + i % 97;
    Pixels before(bits_, bits_ + width_ * height_);
    Pixels after = Paint(37, 1);
    ProgressBarLayout bar = GetProgressBarLayout(width_, height_, 37);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            ASSERT_EQ(InBar(bar, x, y) ? At(full, x, y) : At(before, x, y), At(after, x, y))
                << x << ", " << y;
}

// White on the blue bands: the red channel must be that of the two lines drawn white on black
// at (32, 32) and below by the first line's measured height.
TEST_F(ProgressScreen, TitleLinesAreWhiteAtTheTopLeftInEitherFont) {
    const char* setup =
        "\x83\x58\x83\x4E\x83\x8A\x81\x5B\x83\x93\x83\x5A\x81\x5B\x83\x6F\x81\x5B"
        "\x20\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76";
    lstrcpyA(g_installer.SaverDisplayName, "\x90\xAF\x8B\xF3 Starlight");  // "星空 Starlight"
    HFONT font = g_installer.TitleFont;
    for (HFONT title : {font, static_cast<HFONT>(nullptr)}) {
        g_installer.TitleFont = title;
        Pixels p = Paint(0, 0);
        int h1 = Measure(title, g_installer.SaverDisplayName).cy;
        Pixels expected = Reference(title, RGB(0, 0, 0), RGB(255, 255, 255),
                                    {{32, 32, g_installer.SaverDisplayName}, {32, 32 + h1, setup}});
        int white = 0;
        for (int y = 0; y < 32 + 3 * h1; ++y) {
            for (int x = 0; x < width_; ++x) {
                ASSERT_EQ(Red(At(expected, x, y)), Red(At(p, x, y))) << x << ", " << y;
                white += At(p, x, y) == kWhite;
            }
        }
        EXPECT_GT(white, 100) << (title ? "title font" : "system font");
    }
    g_installer.TitleFont = font;
    // What the pixels cannot tell: the fonts' fields as the platform keeps them.
    for (HFONT made : {g_installer.TitleFont, g_installer.PercentFont}) {
        LOGFONTA f = {};
        ASSERT_TRUE(GetObjectA(made, sizeof f, &f));
        bool title = made == g_installer.TitleFont;
        EXPECT_EQ((std::vector<int>{title ? 42 : 16, title, SHIFTJIS_CHARSET, PROOF_QUALITY, 400}),
                  (std::vector<int>{f.lfHeight, f.lfItalic, f.lfCharSet, f.lfQuality, f.lfWeight}));
        EXPECT_STREQ(title ? "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9"
                           : "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E",
                     f.lfFaceName);
    }
}

// Records the GDI calls this program makes through its import table, names the objects made
// meanwhile, and can make one creation fail. The painting code is linked into this program,
// so its calls pass through the same table.
namespace gdi_log {

std::vector<std::string> calls;
std::map<HANDLE, std::string> names;
std::vector<std::string> dcRoles, bitmapRoles;  // names for the next contexts and bitmaps made
std::set<HANDLE> live;
std::map<std::string, int> made;  // by kind
int creations = 0, failAt = -1;   // failAt: the creation (counted from 0) that fails
bool logging = true;              // off for long runs: then only the counts and `live` are kept

HDC(WINAPI* realCreateCompatibleDC)(HDC);
HBITMAP(WINAPI* realCreateCompatibleBitmap)(HDC, int, int);
HBITMAP(WINAPI* realCreateBitmap)(int, int, UINT, UINT, const void*);
HBRUSH(WINAPI* realCreateSolidBrush)(COLORREF);
BOOL(WINAPI* realDeleteDC)(HDC);
BOOL(WINAPI* realDeleteObject)(HGDIOBJ);
BOOL(WINAPI* realBitBlt)(HDC, int, int, int, int, HDC, int, int, DWORD);
COLORREF(WINAPI* realSetBkColor)(HDC, COLORREF);

std::string Name(HANDLE handle) {
    auto found = names.find(handle);
    return found != names.end() ? found->second : handle ? "other" : "null";
}

std::string Text(int value) {
    return std::to_string(value);
}

HANDLE Made(HANDLE handle, const char* kind, int& count, std::vector<std::string>* roles) {
    ++count;
    std::string role;
    if (roles && !roles->empty()) {
        role = roles->front();
        roles->erase(roles->begin());
    }
    if (creations++ == failAt) {
        kind[0] == 'd' ? realDeleteDC(static_cast<HDC>(handle)) : realDeleteObject(handle);
        return nullptr;
    }
    if (logging)
        names[handle] = role.empty() ? kind + Text(count) : role;
    live.insert(handle);
    return handle;
}

HDC WINAPI CreateCompatibleDCHook(HDC dc) {
    HANDLE handle = Made(realCreateCompatibleDC(dc), "dc", made["dc"], &dcRoles);
    if (logging)
        calls.push_back("CreateCompatibleDC " + Name(dc) + " = " + Name(handle));
    return static_cast<HDC>(handle);
}
HBITMAP WINAPI CreateCompatibleBitmapHook(HDC dc, int w, int h) {
    HANDLE handle =
        Made(realCreateCompatibleBitmap(dc, w, h), "bitmap", made["bitmap"], &bitmapRoles);
    if (logging)
        calls.push_back("CreateCompatibleBitmap " + Name(dc) + " " + Text(w) + "x" + Text(h) +
                        " = " + Name(handle));
    return static_cast<HBITMAP>(handle);
}
HBITMAP WINAPI CreateBitmapHook(int w, int h, UINT planes, UINT bits, const void* data) {
    HANDLE handle =
        Made(realCreateBitmap(w, h, planes, bits, data), "bitmap", made["bitmap"], &bitmapRoles);
    if (logging)
        calls.push_back("CreateBitmap " + Text(w) + "x" + Text(h) + " mono " +
                        (planes == 1 && bits == 1 ? "yes" : "no") + " = " + Name(handle));
    return static_cast<HBITMAP>(handle);
}
HBRUSH WINAPI CreateSolidBrushHook(COLORREF colour) {
    return static_cast<HBRUSH>(Made(realCreateSolidBrush(colour), "brush", made["brush"], nullptr));
}
BOOL WINAPI DeleteDCHook(HDC dc) {
    if (logging)
        calls.push_back("DeleteDC " + Name(dc));
    live.erase(dc);
    return realDeleteDC(dc);
}
BOOL WINAPI DeleteObjectHook(HGDIOBJ object) {
    if (logging && Name(object).compare(0, 5, "brush") != 0)
        calls.push_back("DeleteObject " + Name(object));
    live.erase(object);
    return realDeleteObject(object);
}
BOOL WINAPI BitBltHook(HDC to, int x, int y, int w, int h, HDC from, int fx, int fy, DWORD rop) {
    static std::map<DWORD, const char*> ops = {{SRCCOPY, "SRCCOPY"},
                                               {NOTSRCCOPY, "NOTSRCCOPY"},
                                               {SRCAND, "SRCAND"},
                                               {SRCPAINT, "SRCPAINT"}};
    if (logging)
        calls.push_back("BitBlt " + Name(to) + " " + Text(x) + "," + Text(y) + " <- " + Name(from) +
                        " " + Text(fx) + "," + Text(fy) + " " + Text(w) + "x" + Text(h) + " " +
                        (ops.count(rop) ? ops[rop] : "other"));
    return realBitBlt(to, x, y, w, h, from, fx, fy, rop);
}
COLORREF WINAPI SetBkColorHook(HDC dc, COLORREF colour) {
    char text[16];
    wsprintfA(text, "%06X", static_cast<unsigned>(colour));
    if (logging)
        calls.push_back("SetBkColor " + Name(dc) + " " + text);
    return realSetBkColor(dc, colour);
}

// Puts `value` into this program's import slot for a gdi32 function; gives the previous one.
template <typename F>
F Patch(const char* function, F value) {
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(
        base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; import->Name; ++import) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + import->Name), "gdi32.dll") != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal) ||
                strcmp(reinterpret_cast<char*>(byName->Name), function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slot->u1.Function, sizeof(DWORD), PAGE_READWRITE, &protection);
            F previous = reinterpret_cast<F>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<DWORD>(value);
            VirtualProtect(&slot->u1.Function, sizeof(DWORD), protection, &protection);
            return previous;
        }
    }
    ADD_FAILURE() << function << " is not imported";
    return nullptr;
}

// Records while it lives. `known` names the objects made before.
struct Recording {
    explicit Recording(std::map<HANDLE, std::string> known, int fail = -1, bool log = true) {
        logging = log;
        calls.clear();
        live.clear();
        made.clear();
        names = std::move(known);
        creations = 0;
        failAt = fail;
        realCreateCompatibleDC = Patch("CreateCompatibleDC", CreateCompatibleDCHook);
        realCreateCompatibleBitmap = Patch("CreateCompatibleBitmap", CreateCompatibleBitmapHook);
        realCreateBitmap = Patch("CreateBitmap", CreateBitmapHook);
        realCreateSolidBrush = Patch("CreateSolidBrush", CreateSolidBrushHook);
        realDeleteDC = Patch("DeleteDC", DeleteDCHook);
        realDeleteObject = Patch("DeleteObject", DeleteObjectHook);
        realBitBlt = Patch("BitBlt", BitBltHook);
        realSetBkColor = Patch("SetBkColor", SetBkColorHook);
    }
    ~Recording() {
        Patch("CreateCompatibleDC", realCreateCompatibleDC);
        Patch("CreateCompatibleBitmap", realCreateCompatibleBitmap);
        Patch("CreateBitmap", realCreateBitmap);
        Patch("CreateSolidBrush", realCreateSolidBrush);
        Patch("DeleteDC", realDeleteDC);
        Patch("DeleteObject", realDeleteObject);
        Patch("BitBlt", realBitBlt);
        Patch("SetBkColor", realSetBkColor);
        dcRoles.clear();
        bitmapRoles.clear();
    }
};

}  // namespace gdi_log

TEST(TransparentBitmap, CopiesThroughItsMasksInOrderAndDeletesAllItMade) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 20);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP targetBits = CreateCompatibleBitmap(screen, 40, 40);
    HGDIOBJ old = SelectObject(target, targetBits);
    {
        gdi_log::Recording recording({{target, "target"}, {bitmap, "bitmap"}});
        gdi_log::dcRoles = {"source", "inverse", "mask", "work", "save"};
        gdi_log::bitmapRoles = {"inverse bits", "mask bits", "work bits", "save bits"};
        DrawTransparentBitmap(target, 1, 2, 8, 6, bitmap, 3, 4, RGB(1, 2, 3));
        std::vector<std::string> expected = {
            "CreateCompatibleDC target = source",
            "CreateCompatibleDC target = inverse",
            "CreateCompatibleDC target = mask",
            "CreateCompatibleDC target = work",
            "CreateCompatibleDC target = save",
            "CreateBitmap 8x6 mono yes = inverse bits",
            "CreateBitmap 8x6 mono yes = mask bits",
            "CreateCompatibleBitmap target 8x6 = work bits",
            "CreateCompatibleBitmap target 8x6 = save bits",
            "BitBlt save 0,0 <- source 3,4 8x6 SRCCOPY",
            "SetBkColor source 030201",
            "BitBlt mask 0,0 <- source 3,4 8x6 SRCCOPY",
            "SetBkColor source FFFFFF",
            "BitBlt inverse 0,0 <- mask 0,0 8x6 NOTSRCCOPY",
            "BitBlt work 0,0 <- target 1,2 8x6 SRCCOPY",
            "BitBlt work 0,0 <- mask 0,0 8x6 SRCAND",
            "BitBlt source 3,4 <- inverse 0,0 8x6 SRCAND",
            "BitBlt work 0,0 <- source 3,4 8x6 SRCPAINT",
            "BitBlt target 1,2 <- work 0,0 8x6 SRCCOPY",
            "BitBlt source 3,4 <- save 0,0 8x6 SRCCOPY",
            "DeleteDC work",
            "DeleteDC inverse",
            "DeleteDC mask",
            "DeleteDC save",
            "DeleteDC source",
            "DeleteObject inverse bits",
            "DeleteObject mask bits",
            "DeleteObject work bits",
            "DeleteObject save bits",
        };
        EXPECT_EQ(expected, gdi_log::calls);
        EXPECT_TRUE(gdi_log::live.empty());
    }
    // Whichever of the nine objects cannot be made: no copy, and all made are deleted.
    for (int fail = 0; fail < 9; ++fail) {
        gdi_log::Recording recording({{target, "target"}, {bitmap, "bitmap"}}, fail);
        DrawTransparentBitmap(target, 1, 2, 8, 6, bitmap, 3, 4, RGB(0, 0, 0));
        for (const auto& call : gdi_log::calls)
            EXPECT_TRUE(call.rfind("Create", 0) == 0 || call.rfind("Delete", 0) == 0)
                << fail << ": " << call;
        EXPECT_EQ(fail == 0 ? 1 : 9, gdi_log::creations) << fail;
        EXPECT_TRUE(gdi_log::live.empty()) << fail;
    }
    SelectObject(target, old);
    DeleteDC(target);
    DeleteObject(targetBits);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

TEST_F(ProgressScreen, MakesItsObjectsPerPaintAndDeletesThemAllBeforeReturning) {
    fixtures::Bytes dib = fixtures::SplashDib(20, 10);
    g_installer.SplashBitmap = CreateBitmapFromDib(dib.data(), nullptr);
    struct Case {
        int barOnly;
        int contexts, bitmaps, brushes;  // the splash's five contexts and four bitmaps included
        size_t copiesToWindow;
    } cases[] = {{0, 3 + 5, 3 + 4, 101, 1}, {1, 2, 2, 1, 2}};
    for (const auto& c : cases) {
        gdi_log::Recording recording({{dc_, "window"}, {g_installer.SplashBitmap, "splash"}});
        DrawProgressScreen(window_, dc_, c.barOnly);
        EXPECT_EQ(c.contexts, gdi_log::made["dc"]) << c.barOnly;
        EXPECT_EQ(c.bitmaps, gdi_log::made["bitmap"]) << c.barOnly;
        EXPECT_EQ(c.brushes, gdi_log::made["brush"]) << c.barOnly;
        EXPECT_TRUE(gdi_log::live.empty()) << c.barOnly;
        std::vector<std::string> toWindow;
        for (const auto& call : gdi_log::calls) {
            if (call.rfind("BitBlt window", 0) == 0)
                toWindow.push_back(call);
            // Fonts, stock objects and the splash are only selected.
            EXPECT_EQ(std::string::npos, call.find("other")) << call;
            if (call.rfind("Delete", 0) == 0) {
                EXPECT_EQ(std::string::npos, call.find("splash")) << call;
            }
        }
        EXPECT_EQ(c.copiesToWindow, toWindow.size()) << c.barOnly;
        if (!c.barOnly && toWindow.size() == 1) {
            EXPECT_EQ("BitBlt window 0,0 <- dc1 0,0 " + gdi_log::Text(width_) + "x" +
                          gdi_log::Text(height_) + " SRCCOPY",
                      toWindow[0]);
        }
    }
}

TEST_F(ProgressScreen, DrawsNothingWithoutItsBuffer) {
    for (int fail : {0, 1}) {  // the buffer's context, then its bitmap
        gdi_log::Recording recording({{dc_, "window"}}, fail);
        DrawProgressScreen(window_, dc_, 0);
        EXPECT_EQ(fail + 1, gdi_log::creations) << fail;
        EXPECT_TRUE(gdi_log::live.empty()) << fail;
        for (const auto& call : gdi_log::calls)
            EXPECT_NE(0u, call.rfind("BitBlt", 0)) << fail << ": " << call;
    }
}

class ProgressScreenLeaks : public Screen {
protected:
    // Small, so 40,000 paints stay quick; the object count per paint does not depend on size.
    void SetUp() override { Open(240, 160); }
};

TEST_F(ProgressScreenLeaks, TwentyThousandPaintsOfEachKindStillPaintCorrectly) {
    fixtures::Bytes dib = fixtures::SplashDib(20, 10);
    g_installer.SplashBitmap = CreateBitmapFromDib(dib.data(), nullptr);
    Pixels firstFull = Paint(50, 0);
    Pixels firstBar = Paint(60, 1);
    // Wine counts no objects (0 here); on Windows the count must come back.
    DWORD objects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    {
        // Wine's handle table outlasts 40,000 paints that leak one object each: count them.
        gdi_log::Recording recording({}, -1, false);
        g_installer.ProgressPercent = 50;
        for (int i = 0; i < 20000; ++i)
            DrawProgressScreen(window_, dc_, 0);
        g_installer.ProgressPercent = 60;
        for (int i = 0; i < 20000; ++i)
            DrawProgressScreen(window_, dc_, 1);
        EXPECT_EQ(20000 * (8 + 2), gdi_log::made["dc"]);
        EXPECT_EQ(0u, gdi_log::live.size());
    }
    EXPECT_EQ(objects, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    EXPECT_EQ(firstFull, Paint(50, 0));
    EXPECT_EQ(firstBar, Paint(60, 1));
}

}  // namespace
