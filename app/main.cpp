// The reader's entry point: the toolkit is started, then the entry routine runs the program. A
// first argument names a book file to read ("Open with" from the desktop).
#include "app/commands.h"
#include "app/main_window.h"
#include "platform/window.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments = vt::ProgramArguments(argc, argv);
  if (arguments.size() > 1 && !arguments[1].empty()) vt::OpenAtStart(arguments[1]);
  vt::PlatformInit(argc, argv);
  return vt::EntryRoutine();
}
