// Finds the D2XX library by name when the program runs; the program never links it, so it starts
// and browses files on a machine without the driver.

#include <QLibrary>

#include "link/FTDI.h"

namespace FTDI {
namespace {

template <typename Function>
bool resolve(QLibrary& library, const char* symbol, Function& function) {
    function = reinterpret_cast<Function>(library.resolve(symbol));
    return function != nullptr;
}

}  // namespace

bool LoadDriverLibrary(const QString& name) {
    static QLibrary library;
    static D2xxApi loaded;
    static bool present = false;
    if (!present) {
        library.setFileName(name);
        if (!library.load()) {
            return false;
        }
        D2xxApi api;
        present = resolve(library, "FT_ListDevices", api.ListDevices) &&
                  resolve(library, "FT_W32_CreateFile", api.W32_CreateFile) &&
                  resolve(library, "FT_GetStatus", api.GetStatus) &&
                  resolve(library, "FT_W32_ReadFile", api.W32_ReadFile) &&
                  resolve(library, "FT_W32_WriteFile", api.W32_WriteFile) &&
                  resolve(library, "FT_W32_CloseHandle", api.W32_CloseHandle);
        if (!present) {
            library.unload();
            return false;
        }
        resolve(library, "FT_GetLatencyTimer", api.GetLatencyTimer);
        resolve(library, "FT_SetLatencyTimer", api.SetLatencyTimer);
        resolve(library, "FT_SetEventNotification", api.SetEventNotification);
        resolve(library, "FT_CreateDeviceInfoList", api.CreateDeviceInfoList);
        resolve(library, "FT_GetDeviceInfoDetail", api.GetDeviceInfoDetail);
        loaded = api;
    }
    InstallApi(&loaded);
    return true;
}

}  // namespace FTDI
