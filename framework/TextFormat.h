#pragma once
// Text substitution for texts that come from files: never a printf format
// string. Includes no <windows.h>.

#include <initializer_list>
#include <string>
#include <string_view>

// Replaces each "%s" or "%d" in order with the next argument and "%%" with
// "%". Anything else, a stray '%' or a placeholder with no argument left,
// stays as written.
std::wstring FormatText(std::wstring_view pattern, std::initializer_list<std::wstring_view> args);

// Whether a text read from a file can stand as one name inside a folder of
// ours: no separator, no drive colon and no "..", so that a path built with
// it cannot lead outside that folder. An empty text passes.
bool IsBareName(std::wstring_view name);
