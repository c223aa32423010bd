// The region cut out of a device context's pixels by a key colour, from one read of the
// pixels, against the region the pixel-by-pixel procedure builds: one GetPixel per pixel,
// one rectangle per run, merged one by one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "dib.h"
#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Picture.h"
#include "skin/KeyRegion.h"
#include "skin/SkinSupport.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// The pixel-by-pixel procedure: a pixel whose reported colour differs from the key (an
// unreadable one too) is in a run; each run's rectangle is merged into the result.
forms::OwnedRegion PixelByPixelRegion(HDC dc, int width, int height, COLORREF key) {
    forms::OwnedRegion result;
    auto addRun = [&](int left, int top, int right) {
        forms::OwnedRegion run(::CreateRectRgn(left, top, right, top + 1));
        if (!result) {
            result = std::move(run);
        } else {
            ::CombineRgn(result.Get(), result.Get(), run.Get(), RGN_OR);
        }
    };
    for (int y = 0; y < height; ++y) {
        bool open = false;
        int start = 0;
        for (int x = 0; x < width; ++x) {
            const bool isKey = ::GetPixel(dc, x, y) == key;
            if (!isKey && !open) {
                open = true;
                start = x;
            } else if (isKey && open) {
                addRun(start, y, x);
                open = false;
            }
        }
        if (open) addRun(start, y, width);
    }
    return result;
}

int RectCount(HRGN region) {
    const DWORD size = ::GetRegionData(region, 0, nullptr);
    std::vector<std::uint32_t> buffer(size / sizeof(std::uint32_t) + 1);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (::GetRegionData(region, size, data) == 0) return -1;
    return static_cast<int>(data->rdh.nCount);
}

void ExpectSameRegion(const forms::OwnedRegion& actual, const forms::OwnedRegion& expected) {
    ASSERT_EQ(static_cast<bool>(actual), static_cast<bool>(expected))
        << (expected ? "a region was expected" : "no region was expected");
    if (!expected) return;
    EXPECT_TRUE(::EqualRgn(actual.Get(), expected.Get()));
    EXPECT_EQ(RectCount(actual.Get()), RectCount(expected.Get()));
}

// A memory DC holding a bitmap, with the area to cut (which may reach past the bitmap)
// and the key as GetPixel reports it for one of the bitmap's pixels.
struct PictureDc {
    forms::OwnedBitmap bitmap;
    forms::OwnedDc dc;
    HGDIOBJ saved = nullptr;
    int width = 0;
    int height = 0;
    COLORREF key = kMagenta;

    PictureDc(forms::OwnedBitmap b, int w, int h)
        : bitmap(std::move(b)), dc(::CreateCompatibleDC(nullptr)), width(w), height(h) {
        if (bitmap && dc) saved = ::SelectObject(dc.Get(), bitmap.Get());
    }
    ~PictureDc() {
        if (saved) ::SelectObject(dc.Get(), saved);
    }
    PictureDc(const PictureDc&) = delete;
    PictureDc& operator=(const PictureDc&) = delete;
};

// A DIB section of any depth; masks or palette as the format needs.
struct DibFormat {
    WORD bits = 32;
    DWORD compression = BI_RGB;
    std::vector<DWORD> masks;      // BI_BITFIELDS: red, green, blue
    std::vector<RGBQUAD> palette;  // 1, 4 and 8 bits
};

constexpr RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

// Raw pixel values, stored as the format packs them.
forms::OwnedBitmap RawDib(const DibFormat& format, int width, int height,
                          const std::function<std::uint32_t(int, int)>& raw) {
    std::vector<std::uint32_t> header((sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)) / 4);
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = -height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = format.bits;
    info->bmiHeader.biCompression = format.compression;
    if (!format.masks.empty()) {
        std::memcpy(info->bmiColors, format.masks.data(), format.masks.size() * sizeof(DWORD));
    }
    if (!format.palette.empty()) {
        info->bmiHeader.biClrUsed = static_cast<DWORD>(format.palette.size());
        std::memcpy(info->bmiColors, format.palette.data(),
                    format.palette.size() * sizeof(RGBQUAD));
    }
    void* bits = nullptr;
    forms::OwnedBitmap bitmap(::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) {
        ADD_FAILURE() << "CreateDIBSection failed for " << format.bits << " bits";
        return {};
    }
    const std::size_t stride = ((static_cast<std::size_t>(width) * format.bits + 31) / 32) * 4;
    auto* bytes = static_cast<std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bytes + stride * y;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = raw(x, y);
            switch (format.bits) {
            case 1: row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | ((v & 1) << (7 - x % 8))); break;
            case 4: row[x / 2] = static_cast<std::uint8_t>(row[x / 2] | ((v & 15) << (x % 2 ? 0 : 4))); break;
            case 8: row[x] = static_cast<std::uint8_t>(v); break;
            case 16: std::memcpy(row + 2 * x, &v, 2); break;
            case 24: std::memcpy(row + 3 * x, &v, 3); break;
            default: std::memcpy(row + 4 * x, &v, 4); break;
            }
        }
    }
    ::GdiFlush();
    return bitmap;
}

// Runs of random length (1 to 4) of values drawn from the list, the same for every run
// of the test; the first pixel holds the first value, whose reported colour is the key.
std::function<std::uint32_t(int, int)> RunsOf(std::vector<std::uint32_t> values, int width) {
    auto table = std::make_shared<std::vector<std::uint32_t>>();
    auto seed = std::make_shared<std::uint32_t>(12345);
    return [values = std::move(values), width, table, seed](int x, int y) {
        auto next = [&] {
            *seed = *seed * 1103515245u + 12345u;
            return *seed >> 16;
        };
        const std::size_t at = static_cast<std::size_t>(y) * width + x;
        while (table->size() <= at) {
            const std::uint32_t value =
                table->empty() ? values.front() : values[next() % values.size()];
            const std::uint32_t length = 1 + next() % 4;
            for (std::uint32_t i = 0; i < length; ++i) table->push_back(value);
        }
        return (*table)[at];
    };
}

std::unique_ptr<PictureDc> FromRaw(const DibFormat& format, int width, int height,
                                   std::vector<std::uint32_t> values) {
    auto picture = std::make_unique<PictureDc>(
        RawDib(format, width, height, RunsOf(std::move(values), width)), width, height);
    picture->key = ::GetPixel(picture->dc.Get(), 0, 0);
    return picture;
}

std::unique_ptr<PictureDc> FromArt(const std::vector<std::string>& art) {
    const int width = static_cast<int>(art.front().size());
    const int height = static_cast<int>(art.size());
    return std::make_unique<PictureDc>(
        testdib::DibSection(width, height,
                            [&](int x, int y) { return art[y][x] == '.' ? kMagenta : RGB(10, 120, 200); }),
        width, height);
}

struct SourceCase {
    const char* name;
    std::function<std::unique_ptr<PictureDc>()> make;
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.name; }

class KeyCutRegionTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(KeyCutRegionTest, IsThePixelByPixelRegion) {
    const std::unique_ptr<PictureDc> picture = GetParam().make();
    ASSERT_TRUE(picture->bitmap);
    ASSERT_TRUE(picture->saved);
    HDC dc = picture->dc.Get();
    const forms::OwnedRegion expected =
        PixelByPixelRegion(dc, picture->width, picture->height, picture->key);
    ExpectSameRegion(skin::KeyCutRegion(dc, picture->width, picture->height, picture->key),
                     expected);
}

constexpr int kW = 37;  // odd sizes, so that 1- and 4-bit rows end inside a byte
constexpr int kH = 23;

// Noise with many runs: about one pixel in three is the key.
std::unique_ptr<PictureDc> Noise(int width, int height) {
    std::uint32_t seed = 99;
    return std::make_unique<PictureDc>(
        testdib::DibSection(width, height,
                            [&](int, int) {
                                seed = seed * 1664525u + 1013904223u;
                                return (seed >> 24) % 3 == 0 ? kMagenta : RGB(0, 0, seed >> 24);
                            }),
        width, height);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyCutRegionTest,
    ::testing::Values(
        SourceCase{"NoKeyColour", [] { return FromArt({"###", "###"}); }},
        SourceCase{"AllKeyColour", [] { return FromArt({"....", "....", "...."}); }},
        SourceCase{"OnePixelRunsAtBothEdges",
                   [] { return FromArt({"#..#", "#...", "...#", ".#.#", "#.#.", "#..."}); }},
        SourceCase{"OneColumn", [] { return FromArt({"#", ".", "#", "#"}); }},
        SourceCase{"NoisyPictureWithManyRuns", [] { return Noise(718, 120); }},
        // The unused byte of a 32-bit pixel is not part of its colour.
        SourceCase{"Dib32WithJunkInTheUnusedByte",
                   [] {
                       return FromRaw({32, BI_RGB, {}, {}}, kW, kH,
                                      {0x00FF00FF, 0xFFFF00FF, 0x80FF00FE, 0x00FE00FF, 0x12345678});
                   }},
        SourceCase{"Dib32Bitfields",
                   [] {
                       return FromRaw({32, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}, {}}, kW, kH,
                                      {0x00FF00FF, 0x00FF00FE, 0x00FE00FF, 0x01000000});
                   }},
        SourceCase{"Dib32BitfieldsBlueHigh",
                   [] {
                       return FromRaw({32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}, {}}, kW, kH,
                                      {0x00FF00FF, 0x00FF00FE, 0x00FE00FF, 0x000000FF});
                   }},
        SourceCase{"Dib24",
                   [] {
                       return FromRaw({24, BI_RGB, {}, {}}, kW, kH,
                                      {0xFF00FF, 0xFF00FE, 0xFE00FF, 0x000000, 0xFFFFFF});
                   }},
        // 16 bits: GetPixel widens five or six bits to eight its own way.
        SourceCase{"Dib16Rgb555",
                   [] {
                       return FromRaw({16, BI_RGB, {}, {}}, kW, kH,
                                      {0x7C1F, 0xFC1F, 0x7C1E, 0x781F, 0x0000, 0x7FFF});
                   }},
        SourceCase{"Dib16Bitfields565",
                   [] {
                       return FromRaw({16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {}}, kW, kH,
                                      {0xF81F, 0xF83F, 0xF81E, 0xF01F, 0x0000, 0xFFFF});
                   }},
        // Palettes: the key twice, and colours one off it.
        SourceCase{"Dib8Palette",
                   [] {
                       return FromRaw({8, BI_RGB, {}, {Quad(255, 0, 255), Quad(255, 0, 254),
                                                       Quad(255, 0, 255), Quad(0, 0, 0),
                                                       Quad(254, 0, 255), Quad(1, 2, 3)}},
                                      kW, kH, {0, 1, 2, 3, 4, 5});
                   }},
        SourceCase{"Dib4Palette",
                   [] {
                       return FromRaw({4, BI_RGB, {}, {Quad(10, 20, 30), Quad(255, 0, 255),
                                                       Quad(255, 1, 255), Quad(255, 0, 255)}},
                                      kW, kH, {1, 0, 2, 3});
                   }},
        SourceCase{"Dib1Palette",
                   [] {
                       return FromRaw({1, BI_RGB, {}, {Quad(255, 0, 255), Quad(10, 20, 30)}},
                                      kW, kH, {0, 1});
                   }},
        SourceCase{"MonochromeBitmap",
                   [] {
                       const std::vector<std::uint16_t> rows{0xA5C3, 0xFFFF, 0x0000, 0x8001, 0x7FFE};
                       auto picture = std::make_unique<PictureDc>(
                           forms::OwnedBitmap(::CreateBitmap(16, 5, 1, 1, rows.data())), 16, 5);
                       picture->key = RGB(255, 255, 255);
                       return picture;
                   }},
        SourceCase{"ScreenCompatibleBitmap",
                   [] {
                       forms::WindowDc screen(nullptr);
                       forms::OwnedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), kW, kH));
                       auto picture = std::make_unique<PictureDc>(std::move(bitmap), kW, kH);
                       auto raw = RunsOf({kMagenta, RGB(255, 0, 254), RGB(0, 0, 0), RGB(200, 10, 10)}, kW);
                       for (int y = 0; y < kH; ++y) {
                           for (int x = 0; x < kW; ++x) ::SetPixelV(picture->dc.Get(), x, y, raw(x, y));
                       }
                       picture->key = ::GetPixel(picture->dc.Get(), 0, 0);
                       return picture;
                   }},
        // Pixels past the bitmap cannot be read: they belong to the region.
        SourceCase{"AreaReachingPastTheBitmap",
                   [] {
                       auto picture = FromRaw({32, BI_RGB, {}, {}}, kW, kH, {0xFF00FF, 0x102030});
                       picture->width = kW + 3;
                       picture->height = kH + 2;
                       return picture;
                   }},
        // GetPixel takes logical coordinates: here the last columns and rows lie past the
        // bitmap, and a key of black must not take them for key pixels.
        SourceCase{"MovedViewportOrigin",
                   [] {
                       auto picture = FromRaw({32, BI_RGB, {}, {}}, kW, kH, {0x000000, 0x102030});
                       ::SetViewportOrgEx(picture->dc.Get(), 3, 2, nullptr);
                       picture->key = RGB(0, 0, 0);
                       return picture;
                   }},
        SourceCase{"ClipRegionSet",
                   [] {
                       auto picture = FromRaw({32, BI_RGB, {}, {}}, kW, kH, {0xFF00FF, 0x102030});
                       forms::OwnedRegion clip(::CreateRectRgn(5, 3, 20, 15));
                       ::SelectClipRgn(picture->dc.Get(), clip.Get());
                       return picture;
                   }}),
    [](const ::testing::TestParamInfo<SourceCase>& tested) { return std::string(tested.param.name); });

TEST(KeyCutRegionTest, AnEmptyAreaGivesNoRegion) {
    const std::unique_ptr<PictureDc> picture = FromArt({"##", "##"});
    for (const auto& [width, height] : {std::pair{0, 2}, std::pair{2, 0}, std::pair{-1, 2}}) {
        EXPECT_FALSE(skin::KeyCutRegion(picture->dc.Get(), width, height, kMagenta))
            << width << "x" << height;
    }
}

// The rectangles of many batches, an odd number of them at more than one level of the
// pairwise merge, make the region they describe.
TEST(RegionOfRectsTest, MergesEveryBatch) {
    std::vector<RECT> rects;
    const int rows = static_cast<int>(skin::kRegionBatch) * 7 + 3;
    for (int y = 0; y < rows; ++y) {
        rects.push_back(RECT{y % 5, y, y % 5 + 2, y + 1});
        rects.push_back(RECT{10, y, 11 + y % 3, y + 1});
    }
    forms::OwnedRegion expected(::CreateRectRgn(0, 0, 0, 0));
    for (const RECT& r : rects) {
        forms::OwnedRegion one(::CreateRectRgnIndirect(&r));
        ::CombineRgn(expected.Get(), expected.Get(), one.Get(), RGN_OR);
    }
    ExpectSameRegion(skin::RegionOfRects(rects), expected);
    EXPECT_FALSE(skin::RegionOfRects({}));
}

// The program's own skin, in its picture box, through Set_Background onto the window.
TEST(SkinRegionTest, TheRealSkinCutsTheWindowAsPixelByPixel) {
    forms::FormSettings settings;
    settings.name = "SkinRegion";
    settings.bordered = false;
    settings.clientWidth = 718 * 15;
    settings.clientHeight = 406 * 15;
    forms::Form form{settings};
    auto& box = form.Add<forms::PictureBox>("skin_Complete", form, 0.0, 0.0, 718.0 * 15, 406.0 * 15);
    box.SetBackColor(0x493328);
    box.SetPicture(forms::Picture::FromResource("SKIN"));
    ASSERT_EQ(box.ScaleWidth(), 718);
    ASSERT_EQ(box.ScaleHeight(), 406);
    const forms::OwnedRegion expected = PixelByPixelRegion(box.hDC(), 718, 406, kMagenta);
    ASSERT_TRUE(expected);
    // The skin is cut: its frame is key, its body is not.
    EXPECT_FALSE(::PtInRegion(expected.Get(), 0, 0));
    EXPECT_TRUE(::PtInRegion(expected.Get(), 359, 203));

    SkinSupport skin;
    skin.Set_Background(form, box, forms::kTrue, 255, 0, 255);

    forms::OwnedRegion window(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(form.hWnd(), window.Get()), ERROR);
    ExpectSameRegion(window, expected);
}

}  // namespace
