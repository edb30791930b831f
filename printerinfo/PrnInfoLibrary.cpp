#include "printerinfo/PrnInfoLibrary.h"

#include "win/ProgramLibrary.h"

CPrnInfoLibrary::CPrnInfoLibrary(const wchar_t* libraryName) {
  library_.reset(LoadProgramLibrary(libraryName ? libraryName : L""));
  if (!library_) return;
  HMODULE m = library_.get();
  initialize = GetProc<PFN_PrnInfo_Initialize>(m, "Initialize");
  finalize = GetProc<PFN_PrnInfo_Finalize>(m, "Finalize");
  getPrinterInfo = GetProc<PFN_PrnInfo_GetPrinterInfo>(m, "GetPrinterInfo");
  getDeviceId = GetProc<PFN_PrnInfo_GetDeviceID>(m, "GetDeviceID");
  getPrinterName = GetProc<PFN_PrnInfo_GetPrinterName>(m, "GetPrinterName");
  getPrinterInformation = GetProc<PFN_PrnInfo_GetPrinterInformation>(m, "GetPrinterInformation");
  registerCallback = GetProc<PFN_PrnInfo_RegisterCallback>(m, "RegisterCallback");
  unregisterCallback = GetProc<PFN_PrnInfo_UnregisterCallback>(m, "UnregisterCallback");
}

CPrnInfoLibrary::~CPrnInfoLibrary() = default;

bool CPrnInfoLibrary::HasHeldFunctions() const {
  return IsLoaded() && initialize && finalize && getDeviceId && getPrinterName &&
         getPrinterInformation && registerCallback && unregisterCallback;
}

namespace {

// Runs one query between Initialize and Finalize.
template <class Fn, class Query>
std::optional<int32_t> OneShot(IVXComm* comm, const wchar_t* libraryName, Fn CPrnInfoLibrary::*function,
                               Query query, PrnInfoOutcome* outcome = nullptr) {
  PrnInfoOutcome ignored;
  PrnInfoOutcome& how = outcome ? *outcome : ignored;
  CPrnInfoLibrary library(libraryName);
  how = PrnInfoOutcome::NotLoaded;
  if (!library.IsLoaded()) return std::nullopt;
  how = PrnInfoOutcome::Unusable;
  if (!library.initialize || !library.finalize || !(library.*function)) return std::nullopt;
  int32_t handle = library.initialize(comm);
  if (handle == 0) return std::nullopt;
  how = PrnInfoOutcome::Queried;
  std::optional<int32_t> result = query(library, handle);
  library.finalize(&handle);
  return result;
}

}  // namespace

std::optional<int32_t> ReadPrinterDeviceId(IVXComm* comm, const wchar_t* libraryName) {
  return OneShot(comm, libraryName, &CPrnInfoLibrary::getDeviceId,
                 [](CPrnInfoLibrary& lib, int32_t handle) -> std::optional<int32_t> {
    int32_t value = 0;
    if (lib.getDeviceId(handle, &value) != 1) return std::nullopt;
    return value;
  });
}

std::optional<int32_t> ReadPrinterInfoItem(IVXComm* comm, int32_t item, const wchar_t* libraryName,
                                           PrnInfoOutcome* outcome) {
  return OneShot(
      comm, libraryName, &CPrnInfoLibrary::getPrinterInfo,
      [item](CPrnInfoLibrary& lib, int32_t handle) -> std::optional<int32_t> {
        char buffer[256] = {};
        int32_t length = 0;
        if (lib.getPrinterInfo(handle, item, buffer, static_cast<int32_t>(sizeof(buffer)), &length) != 1) {
          return std::nullopt;
        }
        return ParsePrinterInfoValue(buffer);
      },
      outcome);
}
