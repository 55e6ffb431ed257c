#pragma once

// The vendor's D2XX library as the people of this platform know it: its file, and what to do when
// it is missing (VendorLibrary_win.cpp on Windows).

namespace VendorLibrary {

// "libftd2xx", "FTD2XX.DLL".
extern const char* const FileName;
extern const char* const MissingHint;

}  // namespace VendorLibrary
