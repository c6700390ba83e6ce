// The rendering DLL driven as GDI drives a user-mode printer driver, under
// Wine: a printer with our driver is installed, a job is started on it with
// its output going to a file, and the DLL gets that printer's handle, as
// GDI gives it one, to write the job with WritePrinter.
//
// Wine's gdi32 has no engine functions, so this program exports its own,
// under exactly the names gdi32 exports (a .def made from gdi32's import
// library; a name it does not model fails the test when called). The
// engine applies the documented rules the DLL relies on, not the DLL's
// assumptions: raster operations and brushes by palette index, halftone
// output in the sense GDIINFO declares, zeroed bitmaps, the surface's
// association, EngCheckAbort. The decoded job is compared, pixel for pixel,
// with a picture made without the driver's help. The portrait page's job
// is saved for scripts/decode-print (argument 1).
#include <windows.h>
#include <winddi.h>
#include <winspool.h>

#include "driver/RasterEncoder.h"

#include <gtest/gtest.h>

#include "TestPrinter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// --- The engine, as far as the DLL uses it.

struct Bitmap {
    SURFOBJ object{};
    std::vector<std::uint8_t> own;
    HDEV associated = nullptr;
};
std::map<HSURF, std::unique_ptr<Bitmap>> g_bitmaps;
std::map<HPALETTE, std::vector<ULONG>> g_palettes;
std::uintptr_t g_nextHandle = 0x1000;
int g_abortAfter = -1;  // EngCheckAbort answers TRUE after this many calls
int g_abortChecks = 0;

Bitmap* Find(HSURF surface) {
    const auto found = g_bitmaps.find(surface);
    return found == g_bitmaps.end() ? nullptr : found->second.get();
}

}  // namespace

extern "C" {

// EngCreateBitmap: lWidth is the allocation width of a scan line; without
// pvBits the engine allocates the bits, zero-filled unless
// BMF_NOZEROINIT; with them the caller keeps them. BMF_TOPDOWN puts the
// first scan line at pvBits, otherwise at the end.
HBITMAP APIENTRY TestEngCreateBitmap(SIZEL size, LONG stride, ULONG format, FLONG flags, PVOID bits) {
    if (format != BMF_1BPP || size.cx <= 0 || size.cy <= 0 || stride < (size.cx + 7) / 8) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    SURFOBJ& object = bitmap->object;
    object.cjBits = static_cast<ULONG>(stride) * static_cast<ULONG>(size.cy);
    if (bits == nullptr) {
        bitmap->own.assign(object.cjBits, (flags & BMF_NOZEROINIT) ? 0xCC : 0x00);
        bits = bitmap->own.data();
    }
    object.hsurf = reinterpret_cast<HSURF>(g_nextHandle++);
    object.sizlBitmap = size;
    object.pvBits = bits;
    const bool topDown = (flags & BMF_TOPDOWN) != 0;
    object.pvScan0 = static_cast<std::uint8_t*>(bits) + (topDown ? 0 : object.cjBits - static_cast<ULONG>(stride));
    object.lDelta = topDown ? stride : -stride;
    object.iBitmapFormat = format;
    object.iType = STYPE_BITMAP;
    object.fjBitmap = topDown ? BMF_TOPDOWN : 0;
    const HSURF handle = object.hsurf;
    g_bitmaps[handle] = std::move(bitmap);
    return reinterpret_cast<HBITMAP>(handle);
}

BOOL APIENTRY TestEngAssociateSurface(HSURF surface, HDEV hdev, FLONG) {
    Bitmap* bitmap = Find(surface);
    if (bitmap == nullptr || hdev == nullptr) return FALSE;
    bitmap->associated = hdev;
    bitmap->object.hdev = hdev;
    return TRUE;
}

BOOL APIENTRY TestEngDeleteSurface(HSURF surface) { return g_bitmaps.erase(surface) == 1; }

SURFOBJ* APIENTRY TestEngLockSurface(HSURF surface) {
    Bitmap* bitmap = Find(surface);
    return bitmap ? &bitmap->object : nullptr;
}

VOID APIENTRY TestEngUnlockSurface(SURFOBJ*) {}

HPALETTE APIENTRY TestEngCreatePalette(ULONG mode, ULONG count, ULONG* colours, FLONG, FLONG, FLONG) {
    if (mode != PAL_INDEXED || count == 0 || colours == nullptr) return nullptr;
    const auto palette = reinterpret_cast<HPALETTE>(g_nextHandle++);
    g_palettes[palette].assign(colours, colours + count);
    return palette;
}

BOOL APIENTRY TestEngDeletePalette(HPALETTE palette) { return g_palettes.erase(palette) == 1; }

// TRUE when the job should end: here, once the test's limit is reached.
BOOL APIENTRY TestEngCheckAbort(SURFOBJ*) { return g_abortAfter >= 0 && ++g_abortChecks > g_abortAfter; }

// Every other name gdi32 exports lands here.
void* APIENTRY TestEngNotModelled() {
    ADD_FAILURE() << "the DLL called an engine function this test does not model";
    return nullptr;
}

}  // extern "C"

namespace {

constexpr wchar_t kDriver[] = L"A4 Print Test(300dpi)";
constexpr wchar_t kPrinter[] = L"A4 print test";
std::string g_savePath;

std::wstring Folder() { return testing_support::ProgramFolder(); }

// --- GDI's side: drawing into the surface by the engine's rules.

// A picture of the page as drawn: true where it is black.
struct Picture {
    Picture(LONG w, LONG h) : width(w), height(h), black(static_cast<std::size_t>(w) * h, false) {}
    void Fill(const RECT& r, bool value) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) black[static_cast<std::size_t>(y) * width + x] = value;
    }
    // As the printer's bits: set where it burns.
    std::vector<std::uint8_t> Bits(std::uint32_t stride) const {
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride) * height, 0);
        for (LONG y = 0; y < height; ++y)
            for (LONG x = 0; x < width; ++x)
                if (black[static_cast<std::size_t>(y) * width + x])
                    bits[static_cast<std::size_t>(y) * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        return bits;
    }
    LONG width, height;
    std::vector<bool> black;
};

class Painter {
public:
    Painter(SURFOBJ& surface, const DEVINFO& devInfo, const GDIINFO& gdiInfo)
        : surface_(surface), palette_(g_palettes[devInfo.hpalDefault]),
          halftoneInkIsSet_((gdiInfo.flHTFlags & HT_FLAG_OUTPUT_CMY) != 0) {}

    // BitBlt: BLACKNESS fills with index 0 of the physical palette,
    // WHITENESS with index 1.
    void Blackness(const RECT& r) { Fill(r, 0); }
    void Whiteness(const RECT& r) { Fill(r, 1); }

    // A solid brush on an indexed palette is its nearest entry (PATCOPY).
    void PatCopy(const RECT& r, COLORREF colour) { Fill(r, Nearest(colour)); }

    // 1 bpp halftone output (GDIINFO, HT_FORMAT_1BPP): in the RGB sense a
    // set bit is light, unless HT_FLAG_OUTPUT_CMY makes it ink. Half grey
    // is every other dot.
    void HalftoneHalfGrey(const RECT& r) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) {
                const bool ink = (x + y) % 2 == 0;
                Put(x, y, ink == halftoneInkIsSet_ ? 1 : 0);
            }
    }

    // Text in `colour`: GDI's glyphs, each dot in the colour's nearest entry.
    void Text(const Picture& glyphs, COLORREF colour) {
        const ULONG index = Nearest(colour);
        for (LONG y = 0; y < glyphs.height; ++y)
            for (LONG x = 0; x < glyphs.width; ++x)
                if (glyphs.black[static_cast<std::size_t>(y) * glyphs.width + x]) Put(x, y, index);
    }

private:
    ULONG Nearest(COLORREF colour) const {
        ULONG best = 0;
        long bestDistance = -1;
        for (ULONG i = 0; i < palette_.size(); ++i) {
            // PAL_INDEXED entries are 0x00BBGGRR, as COLORREF.
            const long dr = long(GetRValue(palette_[i])) - GetRValue(colour);
            const long dg = long(GetGValue(palette_[i])) - GetGValue(colour);
            const long db = long(GetBValue(palette_[i])) - GetBValue(colour);
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) best = i, bestDistance = distance;
        }
        return best;
    }
    void Fill(const RECT& r, ULONG index) {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) Put(x, y, index);
    }
    void Put(LONG x, LONG y, ULONG index) {
        auto* row = static_cast<std::uint8_t*>(surface_.pvScan0) + static_cast<std::ptrdiff_t>(y) * surface_.lDelta;
        const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
        row[x / 8] = index ? static_cast<std::uint8_t>(row[x / 8] | mask) : static_cast<std::uint8_t>(row[x / 8] & ~mask);
    }

    SURFOBJ& surface_;
    std::vector<ULONG> palette_;
    bool halftoneInkIsSet_;
};

// Text as GDI draws it, black on white, into a DIB of known colours.
Picture Glyphs(LONG width, LONG height, const wchar_t* text) {
    Picture glyphs(width, height);
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), width, -height, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
    info.colours[1] = {255, 255, 255, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, dib);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    const HFONT font = CreateFontW(-width / 14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                   NONANTIALIASED_QUALITY, 0, L"Arial");
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, width / 10, height / 12, text, static_cast<int>(std::wcslen(text)));
    GdiFlush();
    const LONG stride = ((width + 31) / 32) * 4;
    const auto* rows = static_cast<const std::uint8_t*>(bits);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            glyphs.black[static_cast<std::size_t>(y) * width + x] =
                (rows[static_cast<std::size_t>(y) * stride + x / 8] & (0x80 >> (x % 8))) == 0;
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return glyphs;
}

// The test page: text, a black box by BLACKNESS with a white one inside it
// by WHITENESS, a bar by PATCOPY with a black brush, and a half-grey area.
// Page `page` of a job shifts the bar, so pages can be told apart.
Picture DrawTestPage(Painter& painter, LONG w, LONG h, int page = 0) {
    Picture expected = Glyphs(w, h, L"A4 Printer test page");
    painter.Text(expected, RGB(0, 0, 0));
    const RECT box{w / 10, h / 4, w * 9 / 10, h / 2}, inner{w / 5, h / 4 + h / 20, w * 4 / 5, h / 2 - h / 20};
    const LONG barTop = h / 2 + h / 40 + page * h / 30;
    const RECT bar{w / 10, barTop, w * 9 / 10, barTop + h / 60};
    const RECT grey{w / 5, h * 3 / 5, w * 4 / 5, h * 4 / 5};
    painter.Blackness(box);
    expected.Fill(box, true);
    painter.Whiteness(inner);
    expected.Fill(inner, false);
    painter.PatCopy(bar, RGB(0, 0, 0));
    expected.Fill(bar, true);
    painter.HalftoneHalfGrey(grey);
    for (LONG y = grey.top; y < grey.bottom; ++y)
        for (LONG x = grey.left; x < grey.right; ++x) expected.black[static_cast<std::size_t>(y) * w + x] = (x + y) % 2 == 0;
    return expected;
}

// --- The printer's side: the job's pages, decoded.

struct Printed {
    std::uint32_t rows = 0;
    std::vector<std::uint8_t> bits;
};

// Each page a command stream prints (ended by the page-end command), each
// row `stride` bytes wide. `complete` is false when the stream ends inside
// a command.
std::vector<Printed> Decode(const std::vector<std::uint8_t>& stream, std::uint32_t stride, bool* complete = nullptr) {
    std::vector<Printed> pages(1);
    if (complete) *complete = true;
    const auto grow = [&](Printed& page, std::uint32_t rows) {
        page.rows += rows;
        page.bits.resize(static_cast<std::size_t>(page.rows) * stride, 0);
    };
    for (std::size_t at = 0; at < stream.size();) {
        const std::uint8_t* p = stream.data() + at;
        const std::size_t left = stream.size() - at;
        Printed& page = pages.back();
        if (left >= 2 && p[0] == 0x1B && p[1] == 0x40) {
            at += 2;
        } else if (left >= 3 && p[0] == 0x1B && p[1] == 0x4A) {
            grow(page, p[2]);
            at += 3;
        } else if (left >= 8 && p[0] == 0x1D && p[1] == 0x76 && p[2] == 0x30) {
            const std::uint32_t width = p[4] | p[5] << 8, height = p[6] | p[7] << 8;
            EXPECT_LE(width, stride);
            if (left < 8 + static_cast<std::size_t>(width) * height) break;
            at += 8;
            for (std::uint32_t row = 0; row < height; ++row, at += width) {
                grow(page, 1);
                std::memcpy(&page.bits[static_cast<std::size_t>(page.rows - 1) * stride], stream.data() + at, width);
            }
        } else if (left >= 3 && p[0] == 0x1D && (p[1] == 0x7C || p[1] == 0x56)) {
            at += 3;  // darkness, cut
        } else if (p[0] == 0x0C) {
            pages.emplace_back();
            at += 1;
        } else {
            if (complete) *complete = false;
            break;
        }
    }
    if (pages.back().rows == 0) pages.pop_back();
    return pages;
}

std::vector<std::uint8_t> ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// --- The test: a printer of our driver, and jobs through the DLL.

class RenderingDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = LoadLibraryW((Folder() + L"QuorvelA4UNI.dll").c_str());
        testing_support::InstallTestPrinter(kDriver, kPrinter, DRIVER_STAGED);
    }

    static void TearDownTestSuite() { testing_support::RemoveTestPrinter(kDriver, kPrinter); }

    void SetUp() override {
        ASSERT_NE(library, nullptr);
        g_abortAfter = -1;
        g_abortChecks = 0;
    }

    static PFN Lookup(const DRVENABLEDATA& data, ULONG index) {
        for (ULONG i = 0; i < data.c; ++i)
            if (data.pdrvfn[i].iFunc == index) return data.pdrvfn[i].pfn;
        ADD_FAILURE() << "no function " << index;
        return nullptr;
    }

    template <typename Entry>
    static Entry As(const DRVENABLEDATA& data, ULONG index) {
        return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(Lookup(data, index)));
    }

    static DRVENABLEDATA Enable() {
        using EnableDriver = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
        const auto enableDriver = reinterpret_cast<EnableDriver>(
            reinterpret_cast<void (*)()>(GetProcAddress(library, "DrvEnableDriver")));
        DRVENABLEDATA data{};
        EXPECT_NE(enableDriver, nullptr);
        if (enableDriver) {
            EXPECT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT5, sizeof data, &data));
        }
        return data;
    }

    struct Job {
        SIZEL size{};
        LONG stride = 0;
        std::vector<Picture> expected;  // each page as drawn
        std::vector<std::uint8_t> written;
        bool sent = true;               // every DrvSendPage succeeded
        std::vector<HSURF> patterns;
    };

    // One document of `pages` pages through the DLL, into a job on the
    // printer whose output is a file, as GDI runs it.
    Job Print(DEVMODEW* devMode, int pages = 1) {
        Job job;
        const DRVENABLEDATA data = Enable();
        if (data.c == 0) return job;
        const auto enablePDEV = As<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
        const auto completePDEV = As<PFN_DrvCompletePDEV>(data, INDEX_DrvCompletePDEV);
        const auto disablePDEV = As<PFN_DrvDisablePDEV>(data, INDEX_DrvDisablePDEV);
        const auto enableSurface = As<PFN_DrvEnableSurface>(data, INDEX_DrvEnableSurface);
        const auto disableSurface = As<PFN_DrvDisableSurface>(data, INDEX_DrvDisableSurface);
        const auto startDoc = As<PFN_DrvStartDoc>(data, INDEX_DrvStartDoc);
        const auto startPage = As<PFN_DrvStartPage>(data, INDEX_DrvStartPage);
        const auto sendPage = As<PFN_DrvSendPage>(data, INDEX_DrvSendPage);
        const auto endDoc = As<PFN_DrvEndDoc>(data, INDEX_DrvEndDoc);

        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr)) << GetLastError();
        wchar_t output[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, output);
        const std::wstring outputPath = std::wstring(output) + L"a4-print-test.prn";
        DeleteFileW(outputPath.c_str());
        DOC_INFO_1W doc{const_cast<LPWSTR>(L"print test"), const_cast<LPWSTR>(outputPath.c_str()),
                        const_cast<LPWSTR>(L"RAW")};
        const DWORD jobId = StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc));
        EXPECT_NE(jobId, 0u) << GetLastError();

        GDIINFO gdiInfo{};
        DEVINFO devInfo{};
        HSURF patterns[HS_DDI_MAX] = {};
        wchar_t name[] = L"A4 print test";
        const auto hdev = reinterpret_cast<HDEV>(static_cast<std::uintptr_t>(0x3000));
        const DHPDEV pdev = enablePDEV(devMode, nullptr, HS_DDI_MAX, patterns, sizeof gdiInfo, &gdiInfo,
                                       sizeof devInfo, &devInfo, hdev, name, printer);
        EXPECT_NE(pdev, nullptr) << GetLastError();
        if (pdev != nullptr) {
            job.patterns.assign(std::begin(patterns), std::end(patterns));
            EXPECT_EQ(gdiInfo.ulLogPixelsX, 300u);
            EXPECT_EQ(gdiInfo.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
            EXPECT_EQ(devInfo.iDitherFormat, static_cast<ULONG>(BMF_1BPP));
            EXPECT_EQ(g_palettes.count(devInfo.hpalDefault), 1u) << "the default palette is one the engine made";
            completePDEV(pdev, hdev);
            const HSURF surface = enableSurface(pdev);
            SURFOBJ* object = TestEngLockSurface(surface);
            EXPECT_NE(object, nullptr);
            if (object != nullptr) {
                EXPECT_EQ(Find(surface)->associated, hdev) << "the surface belongs to the device";
                object->dhpdev = pdev;  // the engine's, once associated
                EXPECT_EQ(static_cast<ULONG>(object->sizlBitmap.cx), gdiInfo.ulHorzRes);
                EXPECT_TRUE(startDoc(object, name, jobId));
                Painter painter(*object, devInfo, gdiInfo);
                for (int page = 0; page < pages; ++page) {
                    EXPECT_TRUE(startPage(object));
                    job.expected.push_back(DrawTestPage(painter, object->sizlBitmap.cx, object->sizlBitmap.cy, page));
                    job.sent = sendPage(object) && job.sent;
                }
                // GDI ends a job whose page failed as an aborted one.
                EXPECT_TRUE(endDoc(object, job.sent ? 0 : ED_ABORTDOC));
                job.size = object->sizlBitmap;
                job.stride = object->lDelta;
                disableSurface(pdev);
            }
            disablePDEV(pdev);
        }
        EndDocPrinter(printer);
        ClosePrinter(printer);
        EXPECT_TRUE(g_bitmaps.empty()) << "every surface is deleted";
        EXPECT_TRUE(g_palettes.empty()) << "every palette is deleted";
        job.written = ReadFile(outputPath);
        DeleteFileW(outputPath.c_str());
        return job;
    }

    static HMODULE library;
};
HMODULE RenderingDll::library = nullptr;

TEST_F(RenderingDll, TellsTheSpoolerItIsAUserModeDriverWithAVersionedPrinterResource) {
    using Query = BOOL(APIENTRY*)(DWORD, PVOID, DWORD, PDWORD);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(GetProcAddress(library, "DrvQueryDriverInfo")));
    ASSERT_NE(query, nullptr);
    DWORD answer = 0, needed = 0;
    ASSERT_TRUE(query(DRVQUERY_USERMODE, &answer, sizeof answer, &needed));
    EXPECT_EQ(answer, static_cast<DWORD>(TRUE));
    EXPECT_FALSE(query(DRVQUERY_USERMODE, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_FALSE(query(DRVQUERY_USERMODE, &answer, sizeof answer, nullptr));

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(library, path, MAX_PATH);
    const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DRV));
    EXPECT_EQ(fixed->dwFileSubtype, static_cast<DWORD>(VFT2_DRV_VERSIONED_PRINTER));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 0u);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 3u) << "user mode";
}

// Text, BLACKNESS, WHITENESS, a black PATCOPY and a halftoned grey come
// out of the printer as drawn.
TEST_F(RenderingDll, APortraitPagePrintsAsDrawn) {
    const Job job = Print(nullptr);
    ASSERT_EQ(job.expected.size(), 1u);
    EXPECT_EQ(job.size.cx, 2464);
    EXPECT_EQ(job.size.cy, 3456);
    if (!g_savePath.empty()) std::ofstream(g_savePath, std::ios::binary).write(
        reinterpret_cast<const char*>(job.written.data()), static_cast<std::streamsize>(job.written.size()));
    const auto stride = static_cast<std::uint32_t>(job.stride);
    const std::vector<Printed> printed = Decode(job.written, stride);
    ASSERT_EQ(printed.size(), 1u);
    // The printer feeds the page's trailing blank rows (the model cuts).
    ASSERT_EQ(printed[0].rows, static_cast<std::uint32_t>(job.size.cy));
    EXPECT_TRUE(printed[0].bits == job.expected[0].Bits(stride)) << "the printed page differs from the drawing";
    for (const HSURF pattern : job.patterns) EXPECT_NE(pattern, nullptr) << "a standard fill pattern";
    std::printf("portrait: %u bytes for a %ld x %ld page\n", static_cast<unsigned>(job.written.size()), job.size.cx,
                job.size.cy);
}

TEST_F(RenderingDll, ALandscapePageIsTurnedOntoThePaper) {
    DEVMODEW devMode{};
    devMode.dmSize = sizeof devMode;
    devMode.dmFields = DM_ORIENTATION;
    devMode.dmOrientation = DMORIENT_LANDSCAPE;
    const Job job = Print(&devMode);
    ASSERT_EQ(job.expected.size(), 1u);
    EXPECT_EQ(job.size.cx, 3456);
    EXPECT_EQ(job.size.cy, 2464);
    const auto stride = static_cast<std::uint32_t>(job.stride);
    const std::vector<std::uint8_t> drawn = job.expected[0].Bits(stride);
    std::vector<std::uint8_t> turned;
    const driver::MonoPage portrait = driver::TurnToPortrait(
        {static_cast<std::uint32_t>(job.size.cx), static_cast<std::uint32_t>(job.size.cy), stride, drawn.data()}, turned);
    const std::vector<Printed> printed = Decode(job.written, portrait.stride);
    ASSERT_EQ(printed.size(), 1u);
    ASSERT_EQ(printed[0].rows, portrait.height);
    EXPECT_TRUE(printed[0].bits == turned) << "the printed page differs from the turned drawing";
}

// The printer has no copies command: the driver sends them.
TEST_F(RenderingDll, CopiesAreMadeCollatedOrNot) {
    for (const int collate : {DMCOLLATE_FALSE, DMCOLLATE_TRUE}) {
        DEVMODEW devMode{};
        devMode.dmSize = sizeof devMode;
        devMode.dmFields = DM_COPIES | DM_COLLATE;
        devMode.dmCopies = 3;
        devMode.dmCollate = static_cast<short>(collate);
        const Job job = Print(&devMode, 2);
        ASSERT_EQ(job.expected.size(), 2u);
        const auto stride = static_cast<std::uint32_t>(job.stride);
        const std::vector<std::uint8_t> first = job.expected[0].Bits(stride), second = job.expected[1].Bits(stride);
        const std::vector<Printed> printed = Decode(job.written, stride);
        ASSERT_EQ(printed.size(), 6u) << "collate " << collate;
        const int order[2][6] = {{0, 0, 0, 1, 1, 1}, {0, 1, 0, 1, 0, 1}};
        for (std::size_t i = 0; i < printed.size(); ++i)
            EXPECT_TRUE(printed[i].bits == (order[collate][i] == 0 ? first : second))
                << "collate " << collate << ", sheet " << i;
    }
}

// A cancelled job stops between bands: what was written decodes whole,
// and is less than the page.
TEST_F(RenderingDll, ACancelledJobStopsBetweenBands) {
    g_abortAfter = 5;
    const Job job = Print(nullptr);
    EXPECT_FALSE(job.sent);
    bool complete = false;
    const std::vector<Printed> printed = Decode(job.written, static_cast<std::uint32_t>(job.stride), &complete);
    EXPECT_TRUE(complete) << "the job ends inside a command";
    ASSERT_LE(printed.size(), 1u);
    if (!printed.empty()) {
        EXPECT_LT(printed[0].rows, static_cast<std::uint32_t>(job.size.cy));
    }
}

// Without a DEVMODE from the job, the printer's own default applies.
TEST_F(RenderingDll, ThePrintersDefaultAppliesWithoutADevMode) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, &rights));
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(GetPrinterW(printer, 2, buffer.data(), needed, &needed));
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
    DEVMODEW landscape{};
    landscape.dmSize = sizeof landscape;
    landscape.dmFields = DM_ORIENTATION;
    landscape.dmOrientation = DMORIENT_LANDSCAPE;
    DEVMODEW* kept = info->pDevMode;
    info->pDevMode = &landscape;
    ASSERT_TRUE(SetPrinterW(printer, 2, buffer.data(), 0)) << GetLastError();
    const Job job = Print(nullptr);
    EXPECT_EQ(job.size.cx, 3456) << "landscape";
    info->pDevMode = kept;
    SetPrinterW(printer, 2, buffer.data(), 0);
    ClosePrinter(printer);
}

TEST_F(RenderingDll, AMissingDataFileOrADevModeThatLiesIsRefused) {
    const DRVENABLEDATA data = Enable();
    const auto enablePDEV = As<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    wchar_t name[] = L"A4 print test";
    const auto hdev = reinterpret_cast<HDEV>(static_cast<std::uintptr_t>(0x3000));
    // A handle that is no printer's: no driver, so no data file.
    EXPECT_EQ(enablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo, sizeof devInfo, &devInfo, hdev, name,
                         reinterpret_cast<HANDLE>(0x4000)),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &printer, nullptr));
    struct {
        WORD size;
        WORD extra;
    } lies[] = {{20, 0}, {0x7000, 0}, {0xF000, 12}};
    for (const auto& lie : lies) {
        DEVMODEW devMode{};
        devMode.dmSize = lie.size;
        devMode.dmDriverExtra = lie.extra;
        EXPECT_EQ(enablePDEV(&devMode, nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo, sizeof devInfo, &devInfo, hdev,
                             name, printer),
                  nullptr)
            << lie.size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    ClosePrinter(printer);
    EXPECT_TRUE(g_palettes.empty());
    EXPECT_TRUE(g_bitmaps.empty());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        const std::wstring path = argv[1];
        g_savePath.assign(path.begin(), path.end());  // the harness passes an ASCII path
    }
    return RUN_ALL_TESTS();
}
