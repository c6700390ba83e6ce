// The rendering DLL (the driver's graphics DLL, QuorvelA4UNI<dpi>.DLL): a
// user-mode raster printer driver. GDI draws each page into a 1-bit surface
// the engine manages (halftoning what is grey or coloured); at the end of a
// page the driver encodes the surface into the printer's commands and
// writes them to the spooler. The model data file, found through the
// printer, decides everything that differs between the models.
#include "driver/DevMode.h"
#include "driver/ModelData.h"
#include "driver/RasterEncoder.h"
#include "driver/win32/Engine.h"
#include "driver/win32/ModelFile.h"

#include <windows.h>
#include <winddi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

using driver::win32::Engine;

constexpr ULONG kPaletteWhite = 0x00FFFFFF, kPaletteBlack = 0x00000000;

struct Device {
    Engine engine;
    HANDLE printer = nullptr;
    HDEV hdev = nullptr;
    driver::PrinterModel model;
    bool landscape = false;
    std::uint16_t darkness = driver::kDefaultDarkness;
    SIZEL size{};  // the surface, as GDI draws it
    HPALETTE palette = nullptr;
    HSURF surface = nullptr;
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> turned;
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

void FillGdiInfo(const Device& device, SIZEL paper, GDIINFO& info) {
    const auto& model = device.model;
    const LONG printableX = static_cast<LONG>(std::min<ULONG>(model.printableWidth, static_cast<ULONG>(paper.cx)));
    const LONG printableY = static_cast<LONG>(std::min<ULONG>(model.printableHeight, static_cast<ULONG>(paper.cy)));
    const POINTL offset{(paper.cx - printableX) / 2, (paper.cy - printableY) / 2};
    const bool turn = device.landscape;
    info.ulVersion = GDI_DRIVER_VERSION;
    info.ulTechnology = DT_RASPRINTER;
    // Negative sizes are micrometres.
    info.ulHorzSize = static_cast<ULONG>(-(device.size.cx * 25400 / static_cast<LONG>(model.dpi)));
    info.ulVertSize = static_cast<ULONG>(-(device.size.cy * 25400 / static_cast<LONG>(model.dpi)));
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
    info.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
}

bool Write(Device& device, const std::vector<std::uint8_t>& bytes) {
    DWORD written = 0;
    return bytes.empty() || (device.engine.writePrinter(device.printer, const_cast<std::uint8_t*>(bytes.data()),
                                                        static_cast<DWORD>(bytes.size()), &written) &&
                             written == bytes.size());
}

DHPDEV APIENTRY EnablePDEV(DEVMODEW* devMode, LPWSTR, ULONG, HSURF*, ULONG capsSize, GDIINFO* caps, ULONG infoSize,
                           DEVINFO* info, HDEV hdev, LPWSTR deviceName, HANDLE printer) {
    if (caps == nullptr || info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto device = std::unique_ptr<Device>(new (std::nothrow) Device);
    if (!device) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!driver::win32::LoadEngine(device->engine)) return nullptr;
    if (!driver::win32::ReadModelFile(device->engine.dataFileName(hdev), device->model)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    device->printer = printer;
    device->hdev = hdev;
    driver::DevModeBytes settings = driver::DefaultDevMode(device->model, deviceName ? deviceName : L"");
    if (devMode != nullptr &&
        !driver::MergeDevMode(device->model, reinterpret_cast<const std::uint8_t*>(devMode),
                              static_cast<std::size_t>(devMode->dmSize) + devMode->dmDriverExtra, settings)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    device->landscape = driver::GetShort(settings, driver::dm::kOrientation) == driver::kLandscape;
    device->darkness = driver::Darkness(settings);
    const SIZEL paper = PaperDots(device->model, settings);
    const SIZEL page{static_cast<LONG>(std::min<ULONG>(device->model.printableWidth, static_cast<ULONG>(paper.cx))),
                     static_cast<LONG>(std::min<ULONG>(device->model.printableHeight, static_cast<ULONG>(paper.cy)))};
    device->size = device->landscape ? SIZEL{page.cy, page.cx} : page;

    ULONG colours[2] = {kPaletteWhite, kPaletteBlack};  // a set bit prints black
    device->palette = device->engine.createPalette(PAL_INDEXED, 2, colours, 0, 0, 0);
    if (device->palette == nullptr) return nullptr;

    GDIINFO gdiInfo{};
    FillGdiInfo(*device, paper, gdiInfo);
    std::memcpy(caps, &gdiInfo, std::min<std::size_t>(capsSize, sizeof gdiInfo));
    DEVINFO deviceInfo{};
    deviceInfo.flGraphicsCaps = GCAPS_HALFTONE | GCAPS_MONO_DITHER;
    deviceInfo.iDitherFormat = BMF_1BPP;
    deviceInfo.hpalDefault = device->palette;
    std::memcpy(info, &deviceInfo, std::min<std::size_t>(infoSize, sizeof deviceInfo));
    return reinterpret_cast<DHPDEV>(device.release());
}

VOID APIENTRY CompletePDEV(DHPDEV dhpdev, HDEV hdev) { DeviceOf(dhpdev)->hdev = hdev; }

VOID APIENTRY DisablePDEV(DHPDEV dhpdev) {
    Device* device = DeviceOf(dhpdev);
    if (device == nullptr) return;
    if (device->palette != nullptr) device->engine.deletePalette(device->palette);
    delete device;
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

BOOL APIENTRY StartDoc(SURFOBJ* surface, LPWSTR, DWORD) {
    if (surface == nullptr) return FALSE;
    Device* device = DeviceOf(surface->dhpdev);
    device->stream.clear();
    driver::EncodeDocumentStart(device->model, device->darkness, device->stream);
    return Write(*device, device->stream);
}

BOOL APIENTRY StartPage(SURFOBJ* surface) {
    if (surface == nullptr || surface->pvBits == nullptr) return FALSE;
    // A clear bit is white.
    std::memset(surface->pvBits, 0, surface->cjBits);
    return TRUE;
}

BOOL APIENTRY SendPage(SURFOBJ* surface) {
    if (surface == nullptr || surface->pvScan0 == nullptr || surface->lDelta <= 0) return FALSE;
    Device* device = DeviceOf(surface->dhpdev);
    driver::MonoPage page{static_cast<std::uint32_t>(surface->sizlBitmap.cx),
                          static_cast<std::uint32_t>(surface->sizlBitmap.cy),
                          static_cast<std::uint32_t>(surface->lDelta), static_cast<const std::uint8_t*>(surface->pvScan0)};
    if (device->landscape) page = driver::TurnToPortrait(page, device->turned);
    device->stream.clear();
    if (!driver::EncodePage(device->model, page, device->stream)) return FALSE;
    return Write(*device, device->stream);
}

BOOL APIENTRY EndDoc(SURFOBJ*, FLONG) { return TRUE; }

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
