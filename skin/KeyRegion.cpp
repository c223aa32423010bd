#include "skin/KeyRegion.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <utility>
#include <vector>

#include "forms/Picture.h"

namespace skin {

namespace {

constexpr std::uint32_t kRgbBits = 0xFFFFFFu;

// What one copy of the DC's pixels into a 32-bpp DIB says about the colours GetPixel
// reports for them.
enum class ColourRead {
    Exact,            // 24 or 32 bits of red, green, blue: the copy holds those colours
    EqualMeansEqual,  // fewer bits: the copy tells the pixel values apart, each value's
                      // colour is asked of GetPixel once (a 16-bit conversion, a palette)
    PixelByPixel,     // nothing to rely on: GetPixel for every pixel
};

struct Source {
    ColourRead read = ColourRead::PixelByPixel;
    int bitmapWidth = 0;
    int bitmapHeight = 0;
};

// GetPixel takes logical coordinates and answers only inside a clip region: the copy
// matches pixel for pixel only when neither is in play.
bool PixelsMapOneToOne(HDC dc) {
    if (::GetMapMode(dc) != MM_TEXT || ::GetLayout(dc) != 0) return false;
    POINT origin{};
    if (!::GetWindowOrgEx(dc, &origin) || origin.x != 0 || origin.y != 0) return false;
    if (!::GetViewportOrgEx(dc, &origin) || origin.x != 0 || origin.y != 0) return false;
    if (::GetGraphicsMode(dc) != GM_COMPATIBLE) {
        XFORM transform{};
        if (!::GetWorldTransform(dc, &transform) || transform.eM11 != 1.0f ||
            transform.eM12 != 0.0f || transform.eM21 != 0.0f || transform.eM22 != 1.0f ||
            transform.eDx != 0.0f || transform.eDy != 0.0f) {
            return false;
        }
    }
    forms::OwnedRegion clip(::CreateRectRgn(0, 0, 0, 0));
    return clip && ::GetClipRgn(dc, clip.Get()) == 0;
}

bool SameMasks(const DWORD (&masks)[3], DWORD red, DWORD green, DWORD blue) {
    return masks[0] == red && masks[1] == green && masks[2] == blue;
}

Source Inspect(HDC dc) {
    if (::GetObjectType(dc) != OBJ_MEMDC || !PixelsMapOneToOne(dc)) return {};
    HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);
    DIBSECTION dib{};
    const int size = bitmap ? ::GetObjectA(bitmap, sizeof dib, &dib) : 0;
    if (size != sizeof(BITMAP) && size != sizeof(DIBSECTION)) return {};
    const bool isDib = size == sizeof(DIBSECTION);
    const int bits = dib.dsBm.bmBitsPixel * dib.dsBm.bmPlanes;

    Source source;
    source.bitmapWidth = dib.dsBm.bmWidth;
    source.bitmapHeight = std::abs(dib.dsBm.bmHeight);
    if (isDib && dib.dsBmih.biCompression == BI_BITFIELDS) {
        if (bits == 32 && SameMasks(dib.dsBitfields, 0xFF0000, 0x00FF00, 0x0000FF)) {
            source.read = ColourRead::Exact;
        } else if (bits == 16 && (SameMasks(dib.dsBitfields, 0x7C00, 0x03E0, 0x001F) ||
                                  SameMasks(dib.dsBitfields, 0xF800, 0x07E0, 0x001F))) {
            source.read = ColourRead::EqualMeansEqual;
        }
    } else if (!isDib || dib.dsBmih.biCompression == BI_RGB) {
        if (bits == 24 || bits == 32) {
            source.read = ColourRead::Exact;
        } else if (bits == 1 || bits == 4 || bits == 8 || bits == 16) {
            source.read = ColourRead::EqualMeansEqual;
        }
    }
    return source;
}

// Rows of a DC's pixels copied into a small 32-bpp DIB section, a strip at a time: fresh
// memory costs a page fault a page, and a whole picture's worth costs more than the copy.
class StripReader {
public:
    StripReader(HDC dc, int width, int rows) : source_(dc), width_(width) {
        BITMAPINFO info = forms::TopDown32BitInfo(width, rows);
        void* bits = nullptr;
        strip_.Reset(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<const std::uint32_t*>(bits);
        dc_.Reset(::CreateCompatibleDC(dc));
        if (strip_ && pixels_ && dc_) {
            saved_ = ::SelectObject(dc_.Get(), strip_.Get());
            if (saved_ == HGDI_ERROR) saved_ = nullptr;
        }
    }
    ~StripReader() {
        if (saved_) ::SelectObject(dc_.Get(), saved_);
    }
    StripReader(const StripReader&) = delete;
    StripReader& operator=(const StripReader&) = delete;

    bool Usable() const noexcept { return saved_ != nullptr; }

    // Copies rows [top, top + count) of the source, count at most the strip's rows; null
    // on failure.
    const std::uint32_t* Read(int top, int count) {
        if (!::BitBlt(dc_.Get(), 0, 0, width_, count, source_, 0, top, SRCCOPY)) return nullptr;
        ::GdiFlush();
        return pixels_;
    }

private:
    HDC source_;
    int width_;
    forms::OwnedBitmap strip_;
    const std::uint32_t* pixels_ = nullptr;
    forms::OwnedDc dc_;
    HGDIOBJ saved_ = nullptr;
};

constexpr int kStripBytes = 64 * 1024;

// Adds the runs of row y: isKey(x) for x below readable; the pixels from readable to
// width cannot be read and so belong to the runs.
template <class IsKey>
void AddRuns(std::vector<RECT>& rects, int y, int readable, int width, IsKey&& isKey) {
    int x = 0;
    while (x < width) {
        while (x < readable && isKey(x)) ++x;
        if (x == width) break;
        const int start = x;
        while (x < readable && !isKey(x)) ++x;
        if (x >= readable) x = width;
        rects.push_back(RECT{start, y, x, y + 1});
    }
}

std::vector<RECT> RunsPixelByPixel(HDC dc, int width, int height, COLORREF key) {
    std::vector<RECT> rects;
    for (int y = 0; y < height; ++y) {
        AddRuns(rects, y, width, width, [&](int x) { return ::GetPixel(dc, x, y) == key; });
    }
    return rects;
}

// The runs from the pixels copied out of the DC; false when a copy failed.
bool RunsOfCopies(HDC dc, const Source& source, int width, int height, COLORREF key,
                  std::vector<RECT>& rects) {
    const int readableWidth = std::min(width, source.bitmapWidth);
    const int readableHeight = std::min(height, source.bitmapHeight);
    const std::uint32_t keyPixel = forms::DibPixel(key);
    // Whether each pixel value copied is the key, as GetPixel says.
    std::unordered_map<std::uint32_t, bool> keyByValue;
    auto addRow = [&](int y, const std::uint32_t* row, int readable) {
        if (source.read == ColourRead::Exact) {
            AddRuns(rects, y, readable, width,
                    [&](int x) { return (row[x] & kRgbBits) == keyPixel; });
            return;
        }
        std::uint32_t lastValue = 0;
        bool lastIsKey = false;
        bool haveLast = false;
        AddRuns(rects, y, readable, width, [&](int x) {
            const std::uint32_t value = row[x] & kRgbBits;
            if (!haveLast || value != lastValue) {
                auto [entry, added] = keyByValue.try_emplace(value, false);
                if (added) entry->second = ::GetPixel(dc, x, y) == key;
                lastValue = value;
                lastIsKey = entry->second;
                haveLast = true;
            }
            return lastIsKey;
        });
    };

    if (readableWidth > 0 && readableHeight > 0) {
        const int stripRows =
            std::clamp(kStripBytes / (readableWidth * 4), 1, readableHeight);
        StripReader reader(dc, readableWidth, stripRows);
        if (!reader.Usable()) return false;
        for (int top = 0; top < readableHeight; top += stripRows) {
            const int count = std::min(stripRows, readableHeight - top);
            const std::uint32_t* strip = reader.Read(top, count);
            if (!strip) return false;
            for (int i = 0; i < count; ++i) {
                addRow(top + i, strip + static_cast<std::size_t>(i) * readableWidth,
                       readableWidth);
            }
        }
    }
    // Rows beyond the bitmap cannot be read at all.
    for (int y = std::max(readableHeight, 0); y < height; ++y) addRow(y, nullptr, 0);
    return true;
}

}  // namespace

forms::OwnedRegion RegionOfRects(std::span<const RECT> rects) {
    std::vector<forms::OwnedRegion> parts;
    parts.reserve(rects.size() / kRegionBatch + 1);
    std::vector<DWORD> buffer;
    for (std::size_t first = 0; first < rects.size(); first += kRegionBatch) {
        const std::span<const RECT> batch =
            rects.subspan(first, std::min(kRegionBatch, rects.size() - first));
        const DWORD bytes = static_cast<DWORD>(sizeof(RGNDATAHEADER) + batch.size_bytes());
        buffer.assign(bytes / sizeof(DWORD), 0);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = static_cast<DWORD>(batch.size());
        data->rdh.nRgnSize = static_cast<DWORD>(batch.size_bytes());
        RECT bound = batch.front();
        for (const RECT& r : batch) {
            bound.left = std::min(bound.left, r.left);
            bound.right = std::max(bound.right, r.right);
            bound.bottom = std::max(bound.bottom, r.bottom);
        }
        data->rdh.rcBound = bound;
        std::copy(batch.begin(), batch.end(), reinterpret_cast<RECT*>(data->Buffer));
        parts.emplace_back(::ExtCreateRegion(nullptr, bytes, data));
    }
    // Neighbours merged pairwise until one is left: each rectangle is copied about
    // log2(batches) times, not once for every batch after it.
    while (parts.size() > 1) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < parts.size(); i += 2) {
            forms::OwnedRegion merged = std::move(parts[i]);
            if (i + 1 < parts.size()) {
                forms::OwnedRegion next = std::move(parts[i + 1]);
                if (!merged) {
                    merged = std::move(next);
                } else if (next) {
                    ::CombineRgn(merged.Get(), merged.Get(), next.Get(), RGN_OR);
                }
            }
            parts[kept++] = std::move(merged);
        }
        parts.resize(kept);
    }
    return parts.empty() ? forms::OwnedRegion() : std::move(parts.front());
}

forms::OwnedRegion KeyCutRegion(HDC dc, int width, int height, COLORREF key) {
    if (width <= 0 || height <= 0) return {};
    const Source source = Inspect(dc);
    std::vector<RECT> rects;
    if (source.read == ColourRead::PixelByPixel ||
        !RunsOfCopies(dc, source, width, height, key, rects)) {
        rects = RunsPixelByPixel(dc, width, height, key);
    }
    return RegionOfRects(rects);
}

}  // namespace skin
