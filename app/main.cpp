// The reader's entry point: the toolkit is started, then the entry routine runs the program.
#include "app/main_window.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  vt::PlatformInit(argc, argv);
  return vt::EntryRoutine();
}
