#pragma once
// Rules on printer entry texts used by printer selection and port setup.
// Includes no <windows.h>.

#include <cstdint>
#include <string>
#include <string_view>

// The interface number of a kind text ("COM" 1 ... "BT" 5), 0 for any other.
int32_t InterfaceKindOfText(std::wstring_view kindText);

// The part of a port path after its last '/', or the whole path without one.
std::wstring_view PortPathTail(std::wstring_view portPath);

// Does a reported device name belong to the model family of `family`
// ("VX-R200", "VX-R200 xyz" and "VX-R200II" do; "VX-R200B", "VX-R2000",
// "VX-R200II-A" and "VX-T200" do not)?
bool MatchesModelFamily(std::wstring_view deviceName, std::wstring_view family = L"VX-R200");

// The spooler port named in a port path of the maker's port monitor
// ("pipe://vx/VXPORT3/x" gives "VXPORT3"); empty for other paths.
std::wstring SpoolerPortOfPath(std::wstring_view portPath);

// The number after the first six characters of a text ("VXPORT12" gives 12),
// 0 when there is none.
int32_t PortNumberAfterPrefix(std::wstring_view text);

// The width of a list's last column so that the columns fit the list's
// width when they can: a column wider than the room left gives up what its
// texts (`needed`, heading included) do not use; it never grows.
int FittedLastColumnWidth(int listWidth, int otherColumns, int lastColumn, int needed);
