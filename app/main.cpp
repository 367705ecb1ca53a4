// The reader's entry point: the toolkit is started, then the entry routine runs the program. A
// first argument names a book file to read ("Open with" from the desktop).
#include "app/commands.h"
#include "app/main_window.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] != '\0') vt::OpenAtStart(argv[1]);
  vt::PlatformInit(argc, argv);
  return vt::EntryRoutine();
}
