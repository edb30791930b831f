#pragma once
// Bindings of the printer-information library "PrnInfoBroker.dll": loaded by
// file name when needed, functions resolved by name, unloaded after use.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "makerlibs/include/PrnInfoBrokerApi.h"
#include "printerinfo/PrnInfoValue.h"
#include "win/Handles.h"

class CPrnInfoLibrary {
public:
  // Loads the library and resolves every function it has.
  explicit CPrnInfoLibrary(const wchar_t* libraryName = L"PrnInfoBroker.dll");
  ~CPrnInfoLibrary();
  CPrnInfoLibrary(const CPrnInfoLibrary&) = delete;
  CPrnInfoLibrary& operator=(const CPrnInfoLibrary&) = delete;

  bool IsLoaded() const { return library_.get() != nullptr; }
  // Held use: every one of the eight functions but GetPrinterInfo is present.
  bool HasHeldFunctions() const;

  PFN_PrnInfo_Initialize initialize = nullptr;
  PFN_PrnInfo_Finalize finalize = nullptr;
  PFN_PrnInfo_GetPrinterInfo getPrinterInfo = nullptr;
  PFN_PrnInfo_GetDeviceID getDeviceId = nullptr;
  PFN_PrnInfo_GetPrinterName getPrinterName = nullptr;
  PFN_PrnInfo_GetPrinterInformation getPrinterInformation = nullptr;
  PFN_PrnInfo_RegisterCallback registerCallback = nullptr;
  PFN_PrnInfo_UnregisterCallback unregisterCallback = nullptr;

private:
  CModule library_;
};

// One-shot uses: load, Initialize(comm), one query, Finalize, unload. Nothing
// when the library or a function is missing, Initialize fails or the query
// does not answer 1.
std::optional<int32_t> ReadPrinterDeviceId(IVXComm* comm, const wchar_t* libraryName = L"PrnInfoBroker.dll");
// How far a one-shot use got: the library was missing, it was there but
// unusable (a function missing, or Initialize answered 0), or it was asked.
enum class PrnInfoOutcome { NotLoaded, Unusable, Queried };

// The decimal value of an information item.
std::optional<int32_t> ReadPrinterInfoItem(IVXComm* comm, int32_t item,
                                           const wchar_t* libraryName = L"PrnInfoBroker.dll",
                                           PrnInfoOutcome* outcome = nullptr);
