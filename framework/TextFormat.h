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
