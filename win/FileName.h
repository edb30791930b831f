#pragma once
// Rules for names that come from files. Includes no <windows.h>.

#include <string_view>

// Whether a text read from a file can stand as one name inside a folder of
// ours: no separator, no drive colon and no "..", so that a path built with
// it cannot lead outside that folder. An empty text passes.
bool IsBareName(std::wstring_view name);
