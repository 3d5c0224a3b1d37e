// The module's entry point. The library keeps no state, so there is nothing
// to set up or tear down for a process or a thread: every notification is
// accepted.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reason;
  (void)reserved;
  return TRUE;
}
