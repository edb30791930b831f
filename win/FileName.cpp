#include "win/FileName.h"

bool IsBareName(std::wstring_view name) {
  return name.find_first_of(L"\\/:") == std::wstring_view::npos && name.find(L"..") == std::wstring_view::npos;
}
