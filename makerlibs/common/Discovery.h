#pragma once
// Where a running printer emulator announces the ports it answers on, so that
// the communication library's device search finds it: one volatile key per
// emulator under HKEY_CURRENT_USER, gone when the emulator ends or the user
// logs off. Values (text): "USB" port name, "NET" "host:port", "COM" the
// client's end of its serial pair ("BT" when it is a Bluetooth line), "LPT" the
// stand-in parallel port, "Monitor" port-monitor port names joined by ";";
// and "Process" (DWORD) and "Started" (QWORD, its creation time as a
// FILETIME), the announcing process, so that the announcement of one that was
// killed is passed over even once its id belongs to another process.

inline constexpr wchar_t kEmulatorDiscoveryKey[] = L"Software\\ORVIK\\VXEmulators";
