// The reader's place across changes of the view. A place is taken before a change and shown again
// after it; another letter case or spacing keeps every position, and across a new paragraph form
// positions are carried over by counting the characters other than white space, which that change
// keeps. Positions are the pane's, walked over the UTF-8 loaded text by the pane's own rule
// (pane_positions.h).
#include "reader/reading_place.h"

#include <algorithm>

#include "core/program_state.h"
#include "platform/pane_positions.h"
#include "platform/pane.h"
#include "reader/book_library.h"
#include "reader/navigation.h"

namespace vt {

namespace {

bool IsWhiteSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

}  // namespace

int64_t NonSpaceCountBefore(const std::string& paneText, int32_t position) {
  int64_t count = 0;
  int32_t at = 0;
  for (size_t i = 0; i < paneText.size() && at < position;) {
    const PaneChar character = PaneCharAt(paneText, i);
    if (!IsWhiteSpace(static_cast<unsigned char>(paneText[i]))) ++count;
    i += character.bytes;
    at += character.positions;
  }
  return count;
}

// The pane position of the character other than white space that has `count` such characters
// before it, and the position just behind it; the text's end for both when there is none.
static void FindNonSpace(const std::string& paneText, int64_t count, int32_t& at, int32_t& behind) {
  at = 0;
  for (size_t i = 0; i < paneText.size();) {
    const PaneChar character = PaneCharAt(paneText, i);
    if (!IsWhiteSpace(static_cast<unsigned char>(paneText[i])) && count-- == 0) {
      behind = at + character.positions;
      return;
    }
    i += character.bytes;
    at += character.positions;
  }
  behind = at;
}

int32_t PositionOfNonSpace(const std::string& paneText, int64_t count) {
  int32_t at = 0, behind = 0;
  FindNonSpace(paneText, count, at, behind);
  return at;
}

namespace {

// A place as counts of the characters other than white space before each of its positions: what
// survives a new paragraph form. Taken from the old text before it goes, so it is never copied.
struct CountedPlace {
  ReadingPlace place;
  int64_t word = 0, selectionStart = 0, selectionEnd = 0;
};

CountedPlace CountPlace(const ReadingPlace& place, const std::string& oldText) {
  return {place, NonSpaceCountBefore(oldText, place.word), NonSpaceCountBefore(oldText, place.selectionStart),
          NonSpaceCountBefore(oldText, place.selectionEnd)};
}

ReadingPlace PlaceOfCounts(const CountedPlace& counted, const std::string& newText) {
  // A start goes to the character it stood on (or the next one); an end goes behind the character before it.
  auto end = [&](int64_t count) {
    int32_t at = 0, behind = 0;
    if (count > 0) FindNonSpace(newText, count - 1, at, behind);
    return behind;
  };
  const ReadingPlace& place = counted.place;
  ReadingPlace moved = place;
  moved.word = PositionOfNonSpace(newText, counted.word);
  moved.selectionStart = PositionOfNonSpace(newText, counted.selectionStart);
  moved.selectionEnd = place.selectionEnd == place.selectionStart ? moved.selectionStart : end(counted.selectionEnd);
  return moved;
}

}  // namespace

ReadingPlace PlaceInNewText(const ReadingPlace& place, const std::string& oldText, const std::string& newText) {
  return PlaceOfCounts(CountPlace(place, oldText), newText);
}

ReadingPlace CurrentPlace() {
  ReadingPlace place;
  PaneGetSelection(PaneWindow, place.selectionStart, place.selectionEnd);
  int row = PaneScreenRowOfChar(PaneWindow, place.selectionStart);
  if (row >= 0) {
    place.word = place.selectionStart;
    place.row = row;
  } else {
    place.word = TopVisibleCharIndex();
  }
  return place;
}

void ShowPlace(const ReadingPlace& place, bool selection) {
  // Placing the selection may scroll it into view; the scroll below then wins.
  if (selection) PaneSetSelection(PaneWindow, place.selectionStart, place.selectionEnd);
  int lowest = std::max(0, PaneScreenRows(PaneWindow) - 1);
  PaneScrollCharToScreenRow(PaneWindow, place.word, std::min(place.row, lowest));
}

void KeepPlaceWhile(void (*change)()) {
  ReadingPlace place = CurrentPlace();
  change();
  ShowPlace(place, false);
}

void KeepPlaceWhileRestyling(void (*change)()) {
  ReadingPlace place = CurrentPlace();
  change();
  ShowPlace(place, true);
}

void KeepPlaceAcrossReloading(void (*change)()) {
  const CountedPlace counted = CountPlace(CurrentPlace(), LoadedText());
  change();
  ShowPlace(PlaceOfCounts(counted, LoadedText()), true);
}

}  // namespace vt
