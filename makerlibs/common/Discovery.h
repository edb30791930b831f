#pragma once
// Where a running printer emulator announces the ports it answers on, so that
// the communication library's device search finds it: one volatile key per
// emulator under HKEY_CURRENT_USER, gone when the emulator ends or the user
// logs off. Values (text): "USB" port name, "NET" "host:port", "COM" the
// client's end of its serial pair, "Monitor" port-monitor port names joined by ";".

inline constexpr wchar_t kEmulatorDiscoveryKey[] = L"Software\\ORVIK\\VXEmulators";
