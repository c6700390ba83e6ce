#include "printsys/WindowsVersion.h"

#include "os/System.h"

namespace printsys {

bool IsVistaOrLater() {
    os::OsVersion version;
    return os::GetVersionExW(version) && version.major >= 6;
}

}  // namespace printsys
