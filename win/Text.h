#pragma once
// Small text helpers at the Win32 boundary.

#include <string>
#include <string_view>

// Module file name of the given module (null: the running program).
std::wstring ModulePath(void* module = nullptr);

// Folder part of a path, ending in a separator ("C:\dir\" from "C:\dir\x.exe").
std::wstring FolderOf(std::wstring_view path);

bool FileExists(const std::wstring& path);

// A text in the OEM code page (what printer libraries answer) as UTF-16.
std::wstring OemToWide(std::string_view text);
