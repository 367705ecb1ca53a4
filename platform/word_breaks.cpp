// The pane's word breaks (see word_breaks.h): the walk over a text's character kinds, and the
// pane's calls that take it.
#include "platform/word_breaks.h"

#include <algorithm>

#include "platform/pane.h"

namespace vt {

bool IsWordDelimiter(const WordText& text, int position) {
  return position < 0 || position >= text.length || text.kindAt(position) == CharKind::Space;
}

int NextWordCharacter(const WordText& text, int position) {
  int i = std::clamp(position, 0, std::max(0, text.length));
  while (i < text.length && text.kindAt(i) == CharKind::Space) ++i;
  return i;
}

int StartOfWordBefore(const WordText& text, int position) {
  int i = std::clamp(position, 0, std::max(0, text.length));
  while (i > 0 && text.kindAt(i - 1) == CharKind::Space) --i;
  if (i == 0) return 0;
  const CharKind kind = text.kindAt(i - 1);
  while (i > 0 && text.kindAt(i - 1) == kind) --i;
  return i;
}

int StartOfNextWord(const WordText& text, int position) {
  int i = std::clamp(position, 0, std::max(0, text.length));
  if (i < text.length && text.kindAt(i) != CharKind::Space) {
    const CharKind kind = text.kindAt(i);
    while (i < text.length && text.kindAt(i) == kind) ++i;
  }
  return NextWordCharacter(text, i);
}

bool PaneIsDelimiter(PaneView* pane, int position) { return IsWordDelimiter(WordsOfPane(pane), position); }
int PaneWordBreakRight(PaneView* pane, int position) { return NextWordCharacter(WordsOfPane(pane), position); }
int PaneMoveWordLeft(PaneView* pane, int position) { return StartOfWordBefore(WordsOfPane(pane), position); }
int PaneMoveWordRight(PaneView* pane, int position) { return StartOfNextWord(WordsOfPane(pane), position); }

}  // namespace vt
