// The few POSIX calls the shared tests make, in Windows' words, read before every test file of the
// Windows build.
#pragma once
#ifdef _WIN32
#include <cstdlib>
#include <string>

inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
inline int unsetenv(const char* name) { return _putenv_s(name, ""); }
// A file's mode hides it from nobody on Windows, as from root on Linux.
inline int geteuid() { return 0; }
#endif
