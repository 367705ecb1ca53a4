// Bar messages (filled in by the bar work); until then a message is only remembered.
#include "bar/bar_messages.h"

namespace vt {

static std::string lastMessage;  // the text shown last

void ShowBarMessage(const std::string& text, int) { lastMessage = text; }
void CloseBarMessage(const std::string& text) { lastMessage = text; }
void ShowButtonName(int commandId) { ShowBarMessage(ButtonLongName(commandId), 1); }
std::string ButtonLongName(int) { return std::string(); }
std::string LastBarMessage() { return lastMessage; }

}  // namespace vt
