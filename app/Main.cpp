#include <windows.h>

#include "app/VXUtilApp.h"
#include "win/ProgramLibrary.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  (void)RestrictLibrarySearch();  // a fallback it takes itself is all an old system allows
  try {
    CVXUtilApp app;
    return app.Run();
  } catch (...) {
    return 1;
  }
}
