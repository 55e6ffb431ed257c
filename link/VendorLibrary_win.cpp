#include "link/VendorLibrary.h"

namespace VendorLibrary {

const char* const FileName = "FTD2XX.DLL";
const char* const MissingHint =
    "FTDI's D2XX driver is not installed: install FTDI's D2XX driver package from FTDI's "
    "website, which puts FTD2XX.DLL where every program finds it.";

}  // namespace VendorLibrary
