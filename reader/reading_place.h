// The reader's place: the word they are at and the screen row it stands on. Every change that
// lays the pane's text out anew or replaces it keeps that word on its row, so that a change of
// size, face, spacing, case or paragraphs never loses the reader in the book.
#pragma once
#include <cstdint>
#include <string>

namespace vt {

struct ReadingPlace {
  int32_t word = 0;  // pane position of the reader's word
  int32_t row = 0;   // the screen row it stands on (0 the top row)
  int32_t selectionStart = 0, selectionEnd = 0;
};

// Where the reader is: the caret when it is on screen (while reading aloud the pane selects the
// spoken word, so that word), else the first character on screen.
ReadingPlace CurrentPlace();

// Puts the reader's word back on its row (the nearest row the pane has), and with `selection` the
// selection as well.
void ShowPlace(const ReadingPlace& place, bool selection);

// Runs a change that lays the text out anew (type size, face, weight, the pane's size) and keeps
// the reader's word on its row.
void KeepPlaceWhile(void (*change)());

// Runs a change that gives the pane's text another letter case or spacing: every character keeps
// its position, so the place needs no carrying over (which on a book of hundreds of megabytes
// would cost seconds).
void KeepPlaceWhileRestyling(void (*change)());

// Runs a change that loads the book anew (another paragraph form) and carries the reader's place
// into the new text. The pane shows the loaded text in some letter case, whose characters other
// than white space are where the loaded text has them: the place is carried from one loaded text
// to the other.
void KeepPlaceAcrossReloading(void (*change)());

// The place in a new text: each position goes to the character that has as many characters other
// than white space before it as the old one had. Texts as the pane gives them back (CR LF breaks).
ReadingPlace PlaceInNewText(const ReadingPlace& place, const std::string& oldText, const std::string& newText);

// The characters other than white space before a pane position of a text (CR LF breaks).
int64_t NonSpaceCountBefore(const std::string& paneText, int32_t position);

// The pane position of the first character other than white space that has `count` such characters
// before it; the text's end when there is none.
int32_t PositionOfNonSpace(const std::string& paneText, int64_t count);

}  // namespace vt
