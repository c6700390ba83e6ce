// Process-wide settings of the skin toolkit: the module it serves, where its
// resources come from, and the opened resource package.
//
// Start-up sets these once on the UI thread before any window exists; after
// that they are only read, so workers may read the package without locks.
#pragma once

#include "ui/ResourcePackage.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace ui {

class Control;

enum class ResourceMode {
    Files,        // layouts and images loose in the resource folder
    ZipInModule,  // one ZIP archive held in a resource of the program
};

class Toolkit {
public:
    static Toolkit& Process();

    // The module handle, kept opaque so the portable layers need no
    // Windows types; the Win32 host casts it back.
    void SetModuleInstance(void* module) { module_ = module; }
    void* ModuleInstance() const { return module_; }

    // The folder of the program file, ending in a separator.
    void SetProgramFolder(std::wstring folder) { programFolder_ = std::move(folder); }
    const std::wstring& ProgramFolder() const { return programFolder_; }

    void SetResourceMode(ResourceMode mode) { mode_ = mode; }
    ResourceMode GetResourceMode() const { return mode_; }
    void SetResourceFolder(std::wstring folder) { resourceFolder_ = std::move(folder); }
    const std::wstring& ResourceFolder() const { return resourceFolder_; }

    ResourcePackage& Package() { return package_; }
    const ResourcePackage& Package() const { return package_; }

    // Custom control classes that layouts may name, by element name.
    using ControlFactory = std::function<std::unique_ptr<Control>()>;
    void RegisterControlClass(std::wstring name, ControlFactory factory);
    std::unique_ptr<Control> CreateRegisteredControl(std::wstring_view name) const;

    // Releases the package and everything the toolkit holds.
    void Shutdown();

private:
    void* module_ = nullptr;
    std::wstring programFolder_;
    std::wstring resourceFolder_;
    ResourceMode mode_ = ResourceMode::Files;
    ResourcePackage package_;
    std::map<std::wstring, ControlFactory, std::less<>> controlClasses_;
};

}  // namespace ui
