// Opens the resource package embedded in this program, exactly as the
// program does at start-up, and lists the identifiers of its index.
// Exit code 0 when the package opened and "XML_MAIN" resolves to a layout
// that parses.
#include <windows.h>

#include "ui/Layout.h"
#include "ui/ResourcePackage.h"
#include "ui/Utf.h"
#include "ui/win32/ModuleResource.h"

#include <cstdio>

int wmain() {
    ui::ResourcePackage package;
    const auto result =
        ui::OpenPackageFromModule(GetModuleHandleW(nullptr), L"ZIPRES", 129, "wqm19990707", package);
    if (result != ui::ModuleResourceResult::Opened) {
        std::printf("package not opened (%d)\n", static_cast<int>(result));
        return 1;
    }
    std::printf("entries: %u\n", static_cast<unsigned>(package.Archive().Entries().size()));
    for (const auto& entry : package.Index())
        std::printf("%s %s -> %s\n", entry.kind == ui::ResourceKind::Xml ? "Xml" : "Image",
                    ui::WideToUtf8(entry.id).c_str(), ui::WideToUtf8(entry.path).c_str());
    ui::XmlElement layout;
    std::wstring error;
    if (!ui::LoadLayoutDocument(package, L"XML_MAIN", layout, error)) {
        std::printf("XML_MAIN: %s\n", ui::WideToUtf8(error).c_str());
        return 1;
    }
    std::printf("XML_MAIN parses: root <%s>\n", ui::WideToUtf8(layout.name).c_str());
    return 0;
}
