#include "link/VendorLibrary.h"

namespace VendorLibrary {

const char* const FileName = "libftd2xx";
const char* const MissingHint =
    "The vendor's D2XX library is not installed: install the D2XX library from FTDI's website "
    "(README, Install), or reach the bridge through the kernel's driver with --driver serial.";

}  // namespace VendorLibrary
