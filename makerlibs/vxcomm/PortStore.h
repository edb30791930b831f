#pragma once
// The port registry file and the search for device ports.
//
// The registry lives in the file named by the environment variable
// VX_PORT_REGISTRY, else in %APPDATA%\ORVIK\VXComm\Ports.txt (UTF-16LE). A
// machine without the file has the default ports (one that reaches the
// default emulator). Changes are made under a named mutex, written to a
// temporary file and renamed over the old one; the list as it was before
// goes to "<file>.bak" first, and stands in for a list that cannot be read.

#include <functional>
#include <string>
#include <vector>

#include "makerlibs/include/VXCommApi.h"
#include "makerlibs/protocol/PortRegistry.h"

std::wstring PortRegistryPath();
// Both answer kVxcOk, kVxcRecovered (the list was damaged: its copy was
// used), kVxcBadFile (neither can be read) or kVxcListBusy (another program
// held the list's lock too long: nothing was read or written); without a
// place for the list LoadPorts answers kVxcBadFile and UpdatePorts
// kVxcOpenFailed, as it does when the list cannot be written.
VXCRESULT LoadPorts(std::vector<vxproto::PortRecord>& ports);
// Runs the change on the stored ports and saves them when it answers true.
VXCRESULT UpdatePorts(const std::function<bool(std::vector<vxproto::PortRecord>&)>& change);
bool ReadPortFile(const std::wstring& path, std::vector<vxproto::PortRecord>& ports);
bool WritePortFile(const std::wstring& path, const std::vector<vxproto::PortRecord>& ports);
// The path of the printer announced under a network address ("tcp://host:port")
// or a parallel port's name ("lpt://name"); empty for other kinds or when
// none is announced. An entry made from the name alone then reaches the
// printer that answers there, whatever its TCP port.
std::wstring AnnouncedPath(const std::wstring& kind, const std::wstring& portName);
// Ports of a kind ("COM", "SERIAL", "LPT", "USB", "NET", "BT") present now.
std::vector<vxproto::PortRecord> FindDevicePorts(const std::wstring& kind);
