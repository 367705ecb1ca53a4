// The keyboard shortcuts: a table of plain keys attached to the main window once at start, and
// the list of letters the user can show in the pane.
#include "app/shortcuts.h"

#include <vector>

#include "app/commands.h"
#include "app/main_window.h"
#include "core/settings_file.h"

namespace vt {

// While shortcuts are off, only the switch itself and the version stay.
static const Accel kBaseTable[] = {
    {FVIRTKEY, 'E', CmdShortcuts},
    {FVIRTKEY, 'V', CmdVersion},
};

static const Accel kFullTable[] = {
    {FVIRTKEY, 'A', CmdAgain},          {FVIRTKEY, 'C', CmdColor},
    {FVIRTKEY, 'E', CmdShortcuts},      {FVIRTKEY, 'F', CmdSearch},
    {FVIRTKEY, 'K', CmdSmallFont},      {FVIRTKEY, 'L', CmdLarger},
    {FVIRTKEY, 'N', CmdMenu},           {FVIRTKEY, 'M', CmdWideMenu},
    {FVIRTKEY, 'P', CmdFormatParagraph}, {FVIRTKEY, 'R', CmdSingleLineScroll},
    {FVIRTKEY, 'S', CmdSmaller},        {FVIRTKEY, 'T', CmdTitle},
    {FVIRTKEY, 'U', CmdUpdate},         {FVIRTKEY, 'V', CmdVersion},
    {FVIRTKEY, 'W', CmdWideSpacing},    {FVIRTKEY, VK_F3, CmdF3},
};

static const char* const kShortcutLines[] = {
    "A - Search Again", "C - Colors",  "F - Search (Find)", "L - Larger",  "M - Wide Menu",
    "N - Menu",         "P - Format Paragraph", "R - Single Line Scroll", "S - Smaller",
    "T - Title",        "U - Update",  "V - Version",       "W - Wide Spacing"};

void BuildAccelerators() {
  if (DisableShortCuts)
    AttachAccelerators(MainWindow, std::vector<Accel>(std::begin(kBaseTable), std::end(kBaseTable)));
  else
    AttachAccelerators(MainWindow, std::vector<Accel>(std::begin(kFullTable), std::end(kFullTable)));
}

std::string ShortcutListText() {
  std::string text;
  for (const char* line : kShortcutLines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

}  // namespace vt
