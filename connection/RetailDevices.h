#pragma once
// The retail-device registry of the point-of-sale printer services: which
// device a spooler port of the maker's port monitor belongs to.

#include <string>

// The name of the first device under HKLM "OLEforRetail\ServiceOPOS\POSPrinter"
// whose "Port" value (a text) carries the same number after its first six
// characters as the spooler port ("VXPORT3" and "ESDPRT3" match); empty
// when none does or the port has no number. The 64-bit registry view is
// read first, then the 32-bit view, where 32-bit services keep their devices.
std::wstring RetailDeviceOfPort(const std::wstring& spoolerPort);
