#pragma once
// Loading our own libraries. The utility runs elevated: a library of the
// same name in the working folder or on the PATH must never be loaded in
// place of ours, so ours are loaded by full path from the program folder,
// and the process's library search is kept to that folder and system32.

#include <windows.h>

#include <string>
#include <string_view>

// Called first thing in a program's entry point: later loads by name search
// the program's folder and system32 only. False when the system cannot
// restrict the search (an old system without the update); the working folder
// is then at least taken out of it, and our own libraries, loaded by full
// path, are safe either way.
bool RestrictLibrarySearch();

// A library of ours by its file name (no folder): the one of that name
// already loaded, else the one in the running program's folder, else the
// one in the folder the process named with SetDllDirectory (only tests name
// one, to choose their doubles). A full path ("C:\...", "\\...")
// is loaded as given. Any other name is refused (null, ERROR_INVALID_NAME).
HMODULE LoadProgramLibrary(std::wstring_view name);
