// The rendering DLL (the driver's graphics DLL, QuorvelA4UNI<dpi>.DLL): a
// user-mode raster printer driver. GDI draws each page into a 1-bit surface
// the engine manages (halftoning what is grey or coloured); at the end of a
// page the driver encodes the surface into the printer's commands and
// writes them to the job with winspool's WritePrinter, on the printer
// handle GDI gives it. The model data file, found through the printer's
// driver, decides everything that differs between the models.
#include "driver/DevMode.h"
#include "driver/ModelData.h"
#include "driver/RasterEncoder.h"
#include "driver/win32/Engine.h"
#include "driver/win32/ModelFile.h"

#include <windows.h>
#include <winddi.h>
#include <winspool.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using driver::win32::Engine;

// The palette GDI's raster operations index: BLACKNESS paints index 0 and
// WHITENESS index 1, and 1 bpp halftone output without HT_FLAG_OUTPUT_CMY
// is in the same (RGB) sense. So a clear bit is black: the encoder inverts.
constexpr ULONG kPaletteBlack = 0x00000000, kPaletteWhite = 0x00FFFFFF;
constexpr std::uint8_t kWhiteByte = 0xFF;

// The standard hatch brushes, 8 x 8 dots, rows DWORD-aligned as a 1 bpp
// bitmap's are; a clear bit is a black dot.
constexpr LONG kPatternSide = 8, kPatternStride = 4;
using PatternBits = std::array<std::uint8_t, kPatternSide * kPatternStride>;

bool HatchDot(int pattern, int x, int y) {
    switch (pattern) {
    case HS_HORIZONTAL: return y == 0;
    case HS_VERTICAL: return x == 0;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x + y == kPatternSide - 1;
    case HS_CROSS: return x == 0 || y == 0;
    default: return x == y || x + y == kPatternSide - 1;  // HS_DIAGCROSS
    }
}

PatternBits HatchBits(int pattern) {
    PatternBits bits{};
    for (int y = 0; y < kPatternSide; ++y)
        for (int x = 0; x < kPatternSide; ++x)
            if (!HatchDot(pattern, x, y))
                bits[static_cast<std::size_t>(y * kPatternStride + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    return bits;
}

struct Device {
    Engine engine;
    HANDLE printer = nullptr;
    HDEV hdev = nullptr;
    driver::PrinterModel model;
    bool landscape = false;
    std::uint16_t darkness = driver::kDefaultDarkness;
    driver::Copies copies;
    SIZEL size{};  // the surface, as GDI draws it
    HPALETTE palette = nullptr;
    HSURF surface = nullptr;
    std::array<PatternBits, HS_DDI_MAX> patternBits{};
    std::array<HSURF, HS_DDI_MAX> patterns{};
    std::vector<std::uint8_t> stream;
    std::vector<std::size_t> bandEnds;
    std::vector<std::uint8_t> turned;
    // Collated copies: the document's pages as sent, and where each ends.
    std::vector<std::uint8_t> document;
    std::vector<std::size_t> pageEnds;
};

Device* DeviceOf(DHPDEV dhpdev) { return reinterpret_cast<Device*>(dhpdev); }

// The paper chosen in the DEVMODE, in dots.
SIZEL PaperDots(const driver::PrinterModel& model, const driver::DevModeBytes& devMode) {
    const std::int16_t id = driver::GetShort(devMode, driver::dm::kPaperSize);
    const auto found = std::find_if(model.papers.begin(), model.papers.end(),
                                    [&](const driver::PaperSize& paper) { return paper.id == id; });
    const driver::PaperSize& paper = found != model.papers.end() ? *found : model.papers.front();
    // Tenths of a millimetre to dots: 254 tenths make an inch.
    return {static_cast<LONG>(paper.width * model.dpi / 254), static_cast<LONG>(paper.length * model.dpi / 254)};
}

ULONG NegativeMicrometres(LONG dots, ULONG dpi) {
    return static_cast<ULONG>(-static_cast<LONG>(driver::DotsToMicrometres(static_cast<std::uint32_t>(dots), dpi)));
}

void FillGdiInfo(const Device& device, SIZEL paper, GDIINFO& info) {
    const auto& model = device.model;
    const LONG printableX = static_cast<LONG>(std::min<ULONG>(model.printableWidth, static_cast<ULONG>(paper.cx)));
    const LONG printableY = static_cast<LONG>(std::min<ULONG>(model.printableHeight, static_cast<ULONG>(paper.cy)));
    const POINTL offset{(paper.cx - printableX) / 2, (paper.cy - printableY) / 2};
    const bool turn = device.landscape;
    info.ulVersion = GDI_DRIVER_VERSION;
    info.ulTechnology = DT_RASPRINTER;
    // Negative sizes are micrometres.
    info.ulHorzSize = NegativeMicrometres(device.size.cx, model.dpi);
    info.ulVertSize = NegativeMicrometres(device.size.cy, model.dpi);
    info.ulHorzRes = static_cast<ULONG>(device.size.cx);
    info.ulVertRes = static_cast<ULONG>(device.size.cy);
    info.cBitsPixel = 1;
    info.cPlanes = 1;
    info.ulNumColors = 2;
    info.ulLogPixelsX = info.ulLogPixelsY = model.dpi;
    info.ulAspectX = info.ulAspectY = model.dpi;
    info.ulAspectXY = model.dpi * 1414 / 1000;
    info.xStyleStep = info.yStyleStep = 1;
    info.denStyleStep = static_cast<LONG>(model.dpi / 50);
    info.ptlPhysOffset = turn ? POINTL{offset.y, offset.x} : offset;
    info.szlPhysSize = turn ? SIZEL{paper.cy, paper.cx} : paper;
    info.ciDevice = {{6810, 3050, 0}, {2260, 6550, 0}, {1500, 600, 0}, {1810, 2350, 0}, {2330, 1410, 0},
                     {4510, 4810, 0}, {3127, 3290, 0}, 20000, 20000, 20000, 0, 0, 0, 0, 0, 0};
    info.ulDevicePelsDPI = model.dpi;
    info.ulPrimaryOrder = PRIMARY_ORDER_CBA;
    info.ulHTPatternSize = HT_PATSIZE_SUPERCELL_M;
    info.ulHTOutputFormat = HT_FORMAT_1BPP;
    // Without HT_FLAG_OUTPUT_CMY: halftone output in the palette's sense.
    info.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
}

// Writes `bytes` to the job in the pieces `ends` marks (each the offset
// after a piece), asking the engine before each whether the job was
// cancelled. False when it was, or when the spooler refuses a write.
bool Write(Device& device, SURFOBJ* surface, const std::vector<std::uint8_t>& bytes,
           const std::vector<std::size_t>& ends) {
    std::size_t from = 0;
    const auto piece = [&](std::size_t to) {
        if (to <= from) return true;
        if (surface != nullptr && device.engine.checkAbort(surface)) return false;
        DWORD written = 0;
        const auto size = static_cast<DWORD>(to - from);
        const bool ok = WritePrinter(device.printer, const_cast<std::uint8_t*>(bytes.data() + from), size, &written) &&
                        written == size;
        from = to;
        return ok;
    };
    for (const std::size_t end : ends)
        if (!piece(std::min(end, bytes.size()))) return false;
    return piece(bytes.size());
}

void DeletePatterns(Device& device) {
    for (HSURF& pattern : device.patterns) {
        if (pattern != nullptr) device.engine.deleteSurface(pattern);
        pattern = nullptr;
    }
}

bool MakePatterns(Device& device, ULONG count, HSURF* patterns) {
    if (patterns == nullptr) return true;
    for (int i = 0; i < HS_DDI_MAX; ++i) {
        device.patternBits[static_cast<std::size_t>(i)] = HatchBits(i);
        const HBITMAP bitmap = device.engine.createBitmap({kPatternSide, kPatternSide}, kPatternStride, BMF_1BPP,
                                                          BMF_TOPDOWN, device.patternBits[static_cast<std::size_t>(i)].data());
        if (bitmap == nullptr) return false;
        device.patterns[static_cast<std::size_t>(i)] = reinterpret_cast<HSURF>(bitmap);
    }
    for (ULONG i = 0; i < count && i < HS_DDI_MAX; ++i) patterns[i] = device.patterns[i];
    return true;
}

void Release(Device* device) {
    DeletePatterns(*device);
    if (device->palette != nullptr) device->engine.deletePalette(device->palette);
    delete device;
}

DHPDEV APIENTRY EnablePDEV(DEVMODEW* devMode, LPWSTR, ULONG patternCount, HSURF* patterns, ULONG capsSize,
                           GDIINFO* caps, ULONG infoSize, DEVINFO* info, HDEV hdev, LPWSTR deviceName,
                           HANDLE printer) try {
    if (caps == nullptr || info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto device = std::unique_ptr<Device, void (*)(Device*)>(new Device, Release);
    if (!driver::win32::LoadEngine(device->engine)) return nullptr;
    if (!driver::win32::ReadPrinterModel(printer, device->model)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    device->printer = printer;
    device->hdev = hdev;
    // The driver's default, under the printer's own, under the job's.
    driver::DevModeBytes settings = driver::DefaultDevMode(device->model, deviceName ? deviceName : L"");
    if (devMode == nullptr)
        driver::win32::MergePrinterDefault(printer, device->model, settings);
    else if (!driver::MergeDevMode(device->model, reinterpret_cast<const std::uint8_t*>(devMode),
                                   static_cast<std::size_t>(devMode->dmSize) + devMode->dmDriverExtra, settings)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    device->landscape = driver::GetShort(settings, driver::dm::kOrientation) == driver::kLandscape;
    device->darkness = driver::Darkness(settings);
    device->copies = driver::CopiesOf(settings);
    const SIZEL paper = PaperDots(device->model, settings);
    const SIZEL page{static_cast<LONG>(std::min<ULONG>(device->model.printableWidth, static_cast<ULONG>(paper.cx))),
                     static_cast<LONG>(std::min<ULONG>(device->model.printableHeight, static_cast<ULONG>(paper.cy)))};
    device->size = device->landscape ? SIZEL{page.cy, page.cx} : page;

    ULONG colours[2] = {kPaletteBlack, kPaletteWhite};
    device->palette = device->engine.createPalette(PAL_INDEXED, 2, colours, 0, 0, 0);
    if (device->palette == nullptr || !MakePatterns(*device, patternCount, patterns)) return nullptr;

    GDIINFO gdiInfo{};
    FillGdiInfo(*device, paper, gdiInfo);
    std::memcpy(caps, &gdiInfo, std::min<std::size_t>(capsSize, sizeof gdiInfo));
    DEVINFO deviceInfo{};
    deviceInfo.flGraphicsCaps = GCAPS_HALFTONE | GCAPS_MONO_DITHER;
    deviceInfo.iDitherFormat = BMF_1BPP;
    deviceInfo.hpalDefault = device->palette;
    std::memcpy(info, &deviceInfo, std::min<std::size_t>(infoSize, sizeof deviceInfo));
    return reinterpret_cast<DHPDEV>(device.release());
} catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

VOID APIENTRY CompletePDEV(DHPDEV dhpdev, HDEV hdev) { DeviceOf(dhpdev)->hdev = hdev; }

VOID APIENTRY DisablePDEV(DHPDEV dhpdev) {
    if (Device* device = DeviceOf(dhpdev)) Release(device);
}

HSURF APIENTRY EnableSurface(DHPDEV dhpdev) {
    Device* device = DeviceOf(dhpdev);
    const LONG stride = ((device->size.cx + 31) / 32) * 4;
    const HBITMAP bitmap = device->engine.createBitmap(device->size, stride, BMF_1BPP, BMF_TOPDOWN, nullptr);
    if (bitmap == nullptr) return nullptr;
    const auto surface = reinterpret_cast<HSURF>(bitmap);
    // No hooks: the engine draws everything itself, halftoning included.
    if (!device->engine.associateSurface(surface, device->hdev, 0)) {
        device->engine.deleteSurface(surface);
        return nullptr;
    }
    device->surface = surface;
    return surface;
}

VOID APIENTRY DisableSurface(DHPDEV dhpdev) {
    Device* device = DeviceOf(dhpdev);
    if (device->surface != nullptr) device->engine.deleteSurface(device->surface);
    device->surface = nullptr;
}

BOOL APIENTRY StartDoc(SURFOBJ* surface, LPWSTR, DWORD) try {
    if (surface == nullptr) return FALSE;
    Device* device = DeviceOf(surface->dhpdev);
    device->stream.clear();
    device->document.clear();
    device->pageEnds.clear();
    driver::EncodeDocumentStart(device->model, device->darkness, device->stream);
    return Write(*device, surface, device->stream, {});
} catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

BOOL APIENTRY StartPage(SURFOBJ* surface) {
    if (surface == nullptr || surface->pvBits == nullptr) return FALSE;
    std::memset(surface->pvBits, kWhiteByte, surface->cjBits);
    return TRUE;
}

// The printer has no copies command: uncollated, each page goes out as
// often as asked; collated, once now and again with the document at its end.
BOOL APIENTRY SendPage(SURFOBJ* surface) try {
    if (surface == nullptr || surface->pvScan0 == nullptr || surface->lDelta <= 0) return FALSE;
    Device* device = DeviceOf(surface->dhpdev);
    driver::MonoPage page{static_cast<std::uint32_t>(surface->sizlBitmap.cx),
                          static_cast<std::uint32_t>(surface->sizlBitmap.cy),
                          static_cast<std::uint32_t>(surface->lDelta), static_cast<const std::uint8_t*>(surface->pvScan0),
                          driver::Ink::ClearBits};
    if (device->landscape) page = driver::TurnToPortrait(page, device->turned);
    device->stream.clear();
    device->bandEnds.clear();
    if (!driver::EncodePage(device->model, page, device->stream, &device->bandEnds)) return FALSE;
    const driver::Copies copies = device->copies;
    for (std::uint16_t copy = 0; copy < (copies.collate ? 1 : copies.count); ++copy)
        if (!Write(*device, surface, device->stream, device->bandEnds)) return FALSE;
    if (copies.collate && copies.count > 1) {
        device->document.insert(device->document.end(), device->stream.begin(), device->stream.end());
        device->pageEnds.push_back(device->document.size());
    }
    return TRUE;
} catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
}

BOOL APIENTRY EndDoc(SURFOBJ* surface, FLONG flags) {
    if (surface == nullptr) return FALSE;
    Device* device = DeviceOf(surface->dhpdev);
    bool ok = true;
    if (!(flags & ED_ABORTDOC))
        for (std::uint16_t copy = 1; ok && copy < device->copies.count && !device->pageEnds.empty(); ++copy)
            ok = Write(*device, surface, device->document, device->pageEnds);
    device->document = {};
    device->pageEnds = {};
    return ok ? TRUE : FALSE;
}

// The table's entries are of one type, as the engine's table wants them.
template <typename Function>
PFN Entry(Function function) {
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(function));
}

DRVFN kFunctions[] = {
    {INDEX_DrvEnablePDEV, Entry(EnablePDEV)},
    {INDEX_DrvCompletePDEV, Entry(CompletePDEV)},
    {INDEX_DrvDisablePDEV, Entry(DisablePDEV)},
    {INDEX_DrvEnableSurface, Entry(EnableSurface)},
    {INDEX_DrvDisableSurface, Entry(DisableSurface)},
    {INDEX_DrvStartDoc, Entry(StartDoc)},
    {INDEX_DrvStartPage, Entry(StartPage)},
    {INDEX_DrvSendPage, Entry(SendPage)},
    {INDEX_DrvEndDoc, Entry(EndDoc)},
};

}  // namespace

extern "C" {

// The spooler asks whether this is a user-mode driver; it is.
__declspec(dllexport) BOOL APIENTRY DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
    if (needed == nullptr || mode != DRVQUERY_USERMODE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = sizeof(DWORD);
    if (buffer == nullptr || size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *static_cast<DWORD*>(buffer) = TRUE;
    return TRUE;
}

__declspec(dllexport) BOOL APIENTRY DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data) {
    if (data == nullptr || size < sizeof(DRVENABLEDATA) || engineVersion < DDI_DRIVER_VERSION_NT5) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    data->iDriverVersion = DDI_DRIVER_VERSION_NT5;
    data->c = sizeof kFunctions / sizeof kFunctions[0];
    data->pdrvfn = kFunctions;
    return TRUE;
}

__declspec(dllexport) VOID APIENTRY DrvDisableDriver() {}

}  // extern "C"
