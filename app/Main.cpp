#include <windows.h>

#include "app/VXUtilApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    CVXUtilApp app;
    return app.Run();
  } catch (...) {
    return 1;
  }
}
