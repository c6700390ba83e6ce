// Opening the resource package held in a resource of the program's module.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class ResourcePackage;

// The folder of the module's file, ending in "\".
std::wstring ModuleFolder(HMODULE module);

enum class ModuleResourceResult { Opened, NotFound, NotLoaded, Empty, NotOpened };

// Finds, loads, locks and opens the resource `type`/`id` of `module` as the
// package, then frees the resource handle. The package copies the bytes.
ModuleResourceResult OpenPackageFromModule(HMODULE module, const wchar_t* type, int id,
                                           const std::string& password, ResourcePackage& package);

}  // namespace ui
