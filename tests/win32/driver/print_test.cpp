// The rendering DLL driven as GDI drives a user-mode printer driver, under
// Wine, whose gdi32 has no engine functions: this program exports its own
// (print_test.def), which the DLL finds in the process. A test page with
// text, lines and a grey area is drawn into the surface; the command stream
// the DLL writes is decoded again and must be the surface, pixel for pixel,
// in portrait and, turned, in landscape. The stream of the portrait page is
// saved for scripts/decode-print (argument 1).
#include <windows.h>
#include <winddi.h>

#include "driver/RasterEncoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// --- The engine, as far as the DLL uses it.

struct Bitmap {
    SURFOBJ object{};
    std::vector<std::uint8_t> bits;
};
std::map<HSURF, std::unique_ptr<Bitmap>> g_bitmaps;
std::vector<std::uint8_t> g_written;
std::wstring g_dataFile;
int g_palettes = 0;

Bitmap* Find(HSURF surface) {
    const auto found = g_bitmaps.find(surface);
    return found == g_bitmaps.end() ? nullptr : found->second.get();
}

}  // namespace

extern "C" {

HBITMAP APIENTRY TestEngCreateBitmap(SIZEL size, LONG stride, ULONG format, FLONG flags, PVOID bits) {
    if (format != BMF_1BPP || !(flags & BMF_TOPDOWN) || bits != nullptr || stride < (size.cx + 7) / 8) return nullptr;
    auto bitmap = std::make_unique<Bitmap>();
    bitmap->bits.assign(static_cast<std::size_t>(stride) * size.cy, 0xCC);  // not yet cleared
    SURFOBJ& object = bitmap->object;
    object.hsurf = reinterpret_cast<HSURF>(static_cast<std::uintptr_t>(0x1000 + g_bitmaps.size()));
    object.sizlBitmap = size;
    object.cjBits = static_cast<ULONG>(bitmap->bits.size());
    object.pvBits = object.pvScan0 = bitmap->bits.data();
    object.lDelta = stride;
    object.iBitmapFormat = format;
    object.iType = STYPE_BITMAP;
    object.fjBitmap = BMF_TOPDOWN;
    const HSURF handle = object.hsurf;
    g_bitmaps[handle] = std::move(bitmap);
    return reinterpret_cast<HBITMAP>(handle);
}

BOOL APIENTRY TestEngAssociateSurface(HSURF surface, HDEV hdev, FLONG) {
    Bitmap* bitmap = Find(surface);
    if (bitmap == nullptr) return FALSE;
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
    if (mode != PAL_INDEXED || count != 2 || colours == nullptr) return nullptr;
    ++g_palettes;
    return reinterpret_cast<HPALETTE>(static_cast<std::uintptr_t>(0x2000));
}

BOOL APIENTRY TestEngDeletePalette(HPALETTE) {
    --g_palettes;
    return TRUE;
}

BOOL APIENTRY TestEngWritePrinter(HANDLE, LPVOID data, DWORD size, LPDWORD written) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    g_written.insert(g_written.end(), bytes, bytes + size);
    *written = size;
    return TRUE;
}

LPWSTR APIENTRY TestEngGetPrinterDataFileName(HDEV) { return g_dataFile.data(); }

}  // extern "C"

namespace {

std::string g_savePath;

// The rows a command stream prints, each as wide as `stride` bytes.
std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& stream, std::uint32_t stride, std::uint32_t& rows) {
    std::vector<std::uint8_t> page;
    rows = 0;
    for (std::size_t at = 0; at < stream.size();) {
        const std::uint8_t* p = stream.data() + at;
        if (p[0] == 0x1B && p[1] == 0x40) {
            at += 2;
        } else if (p[0] == 0x1B && p[1] == 0x4A) {
            rows += p[2];
            page.resize(static_cast<std::size_t>(rows) * stride, 0);
            at += 3;
        } else if (p[0] == 0x1D && p[1] == 0x76 && p[2] == 0x30) {
            const std::uint32_t width = p[4] | p[5] << 8, height = p[6] | p[7] << 8;
            EXPECT_LE(width, stride);
            at += 8;
            for (std::uint32_t row = 0; row < height; ++row, ++rows) {
                page.resize(static_cast<std::size_t>(rows + 1) * stride, 0);
                std::memcpy(&page[static_cast<std::size_t>(rows) * stride], stream.data() + at, width);
                at += width;
            }
        } else if (p[0] == 0x1D && p[1] == 0x7C) {
            EXPECT_EQ(p[2], 8) << "the default darkness";
            at += 3;
        } else if (p[0] == 0x0C) {
            at += 1;
        } else if (p[0] == 0x1D && p[1] == 0x56) {
            at += 3;
        } else {
            ADD_FAILURE() << "unknown command at " << at;
            break;
        }
    }
    return page;
}

// Text, a frame, a diagonal line and a grey square, drawn with GDI into a
// 1-bit DIB of the surface's size and copied into the surface.
void DrawTestPage(SURFOBJ& surface) {
    const LONG width = surface.sizlBitmap.cx, height = surface.sizlBitmap.cy;
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), width, -height, 1, 1, BI_RGB, 0, 0, 0, 2, 2};
    // GDI's monochrome convention, 0 black: its raster operations count
    // white as set bits. The surface has it the other way round.
    info.colours[0] = {0, 0, 0, 0};
    info.colours[1] = {255, 255, 255, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP dib = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    const HGDIOBJ old = SelectObject(dc, dib);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    const HFONT font = CreateFontW(-width / 14, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                   NONANTIALIASED_QUALITY, 0, L"Arial");
    const HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, width / 10, height / 12, L"A4 Printer test page", 20);
    SelectObject(dc, oldFont);
    DeleteObject(font);
    const HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 0));
    const HGDIOBJ oldPen = SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 20, 20, width - 20, height - 20);
    MoveToEx(dc, 20, height / 4, nullptr);
    LineTo(dc, width - 20, height / 2);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    GdiFlush();
    const LONG stride = surface.lDelta;
    const auto* drawn = static_cast<const std::uint8_t*>(bits);
    auto* target = static_cast<std::uint8_t*>(surface.pvScan0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(stride) * height; ++i)
        target[i] = static_cast<std::uint8_t>(~drawn[i]);
    // A grey square as the engine halftones one: every other dot.
    auto* rows = static_cast<std::uint8_t*>(surface.pvScan0);
    for (LONG y = height / 2; y < height / 2 + height / 5; ++y)
        for (LONG x = width / 5; x < width * 4 / 5; ++x)
            if ((x + y) % 2 == 0) rows[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}

class RenderingDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring folder = path;
        folder.resize(folder.rfind(L'\\') + 1);
        library = LoadLibraryW((folder + L"QuorvelA4UNI.dll").c_str());
        const std::string staged = DRIVER_STAGED;
        g_dataFile = std::wstring(staged.begin(), staged.end()) + L"\\a4\\QuorvelA4300.pcd";
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

    // One document of one page through the DLL: what it wrote, and the
    // surface as drawn.
    void PrintOnePage(DEVMODEW* devMode, std::vector<std::uint8_t>& surfaceBits, SIZEL& size, LONG& stride) {
        using EnableDriver = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
        const auto enableDriver = reinterpret_cast<EnableDriver>(
            reinterpret_cast<void (*)()>(GetProcAddress(library, "DrvEnableDriver")));
        ASSERT_NE(enableDriver, nullptr);
        DRVENABLEDATA data{};
        ASSERT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT5, sizeof data, &data));
        const auto enablePDEV = As<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
        const auto completePDEV = As<PFN_DrvCompletePDEV>(data, INDEX_DrvCompletePDEV);
        const auto disablePDEV = As<PFN_DrvDisablePDEV>(data, INDEX_DrvDisablePDEV);
        const auto enableSurface = As<PFN_DrvEnableSurface>(data, INDEX_DrvEnableSurface);
        const auto disableSurface = As<PFN_DrvDisableSurface>(data, INDEX_DrvDisableSurface);
        const auto startDoc = As<PFN_DrvStartDoc>(data, INDEX_DrvStartDoc);
        const auto startPage = As<PFN_DrvStartPage>(data, INDEX_DrvStartPage);
        const auto sendPage = As<PFN_DrvSendPage>(data, INDEX_DrvSendPage);
        const auto endDoc = As<PFN_DrvEndDoc>(data, INDEX_DrvEndDoc);

        GDIINFO gdiInfo{};
        DEVINFO devInfo{};
        wchar_t name[] = L"A4 Office";
        const auto hdev = reinterpret_cast<HDEV>(static_cast<std::uintptr_t>(0x3000));
        const DHPDEV pdev = enablePDEV(devMode, nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                                       sizeof devInfo, &devInfo, hdev, name, reinterpret_cast<HANDLE>(0x4000));
        ASSERT_NE(pdev, nullptr) << GetLastError();
        EXPECT_EQ(gdiInfo.ulLogPixelsX, 300u);
        EXPECT_EQ(gdiInfo.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
        EXPECT_EQ(devInfo.iDitherFormat, static_cast<ULONG>(BMF_1BPP));
        EXPECT_TRUE(devInfo.flGraphicsCaps & GCAPS_HALFTONE);
        completePDEV(pdev, hdev);
        const HSURF surface = enableSurface(pdev);
        ASSERT_NE(surface, nullptr);
        SURFOBJ* object = TestEngLockSurface(surface);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->hdev, hdev);
        object->dhpdev = pdev;
        EXPECT_EQ(static_cast<ULONG>(object->sizlBitmap.cx), gdiInfo.ulHorzRes);

        g_written.clear();
        ASSERT_TRUE(startDoc(object, name, 1));
        ASSERT_TRUE(startPage(object));
        DrawTestPage(*object);
        ASSERT_TRUE(sendPage(object));
        ASSERT_TRUE(endDoc(object, 0));
        size = object->sizlBitmap;
        stride = object->lDelta;
        surfaceBits.assign(static_cast<std::uint8_t*>(object->pvScan0),
                           static_cast<std::uint8_t*>(object->pvScan0) + object->cjBits);
        disableSurface(pdev);
        disablePDEV(pdev);
        EXPECT_TRUE(g_bitmaps.empty());
        EXPECT_EQ(g_palettes, 0);
    }

    static HMODULE library;
};
HMODULE RenderingDll::library = nullptr;

TEST_F(RenderingDll, TellsTheSpoolerItIsAUserModeDriverWithAVersionedPrinterResource) {
    ASSERT_NE(library, nullptr);
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

TEST_F(RenderingDll, APortraitPagePrintsAsDrawn) {
    ASSERT_NE(library, nullptr);
    std::vector<std::uint8_t> surface;
    SIZEL size{};
    LONG stride = 0;
    PrintOnePage(nullptr, surface, size, stride);
    EXPECT_EQ(size.cx, 2464);
    EXPECT_EQ(size.cy, 3456);
    if (!g_savePath.empty()) std::ofstream(g_savePath, std::ios::binary).write(
        reinterpret_cast<const char*>(g_written.data()), static_cast<std::streamsize>(g_written.size()));
    std::uint32_t rows = 0;
    const std::vector<std::uint8_t> printed = Decode(g_written, static_cast<std::uint32_t>(stride), rows);
    // The printer feeds the page's trailing blank rows (the model cuts).
    ASSERT_EQ(rows, static_cast<std::uint32_t>(size.cy));
    EXPECT_TRUE(printed == surface) << "the decoded page differs from the surface";
    std::printf("portrait: %u bytes for a %ld x %ld page (%u bytes of bitmap)\n",
                static_cast<unsigned>(g_written.size()), size.cx, size.cy, static_cast<unsigned>(surface.size()));
}

TEST_F(RenderingDll, ALandscapePageIsTurnedOntoThePaper) {
    ASSERT_NE(library, nullptr);
    DEVMODEW devMode{};
    devMode.dmSize = sizeof devMode;
    devMode.dmFields = DM_ORIENTATION;
    devMode.dmOrientation = DMORIENT_LANDSCAPE;
    std::vector<std::uint8_t> surface;
    SIZEL size{};
    LONG stride = 0;
    PrintOnePage(&devMode, surface, size, stride);
    EXPECT_EQ(size.cx, 3456);
    EXPECT_EQ(size.cy, 2464);
    std::vector<std::uint8_t> turned;
    const driver::MonoPage portrait = driver::TurnToPortrait(
        {static_cast<std::uint32_t>(size.cx), static_cast<std::uint32_t>(size.cy), static_cast<std::uint32_t>(stride),
         surface.data()},
        turned);
    std::uint32_t rows = 0;
    const std::vector<std::uint8_t> printed = Decode(g_written, portrait.stride, rows);
    ASSERT_EQ(rows, portrait.height);
    EXPECT_TRUE(printed == turned) << "the decoded page differs from the turned surface";
}

TEST_F(RenderingDll, AMissingDataFileOrADevModeTooShortIsRefused) {
    ASSERT_NE(library, nullptr);
    using EnableDriver = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
    const auto enableDriver =
        reinterpret_cast<EnableDriver>(reinterpret_cast<void (*)()>(GetProcAddress(library, "DrvEnableDriver")));
    DRVENABLEDATA data{};
    EXPECT_FALSE(enableDriver(DDI_DRIVER_VERSION_NT5, sizeof data, nullptr));
    ASSERT_TRUE(enableDriver(DDI_DRIVER_VERSION_NT5, sizeof data, &data));
    const auto enablePDEV = As<PFN_DrvEnablePDEV>(data, INDEX_DrvEnablePDEV);
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    wchar_t name[] = L"A4 Office";
    const auto hdev = reinterpret_cast<HDEV>(static_cast<std::uintptr_t>(0x3000));
    const std::wstring kept = g_dataFile;
    g_dataFile = L"C:\\nowhere\\QuorvelA4300.pcd";
    EXPECT_EQ(enablePDEV(nullptr, nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                         sizeof devInfo, &devInfo, hdev, name, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    g_dataFile = kept;
    DEVMODEW lying{};
    lying.dmSize = 20;  // shorter than any DEVMODE there ever was
    EXPECT_EQ(enablePDEV(&lying, nullptr, 0, nullptr, sizeof gdiInfo, &gdiInfo,
                         sizeof devInfo, &devInfo, hdev, name, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(g_palettes, 0);
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
