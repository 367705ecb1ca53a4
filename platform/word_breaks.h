// The pane's word breaks on every system: white space delimits; a word is a run of letters and
// digits, a run of punctuation is a word of its own; moving right goes on past the white space
// after a word. Each back end says only what kind a character is (its system knows Unicode's
// classes); the walk over the text is this one, and with it the pane's word-break calls of
// platform/pane.h. Pure but for the pane's calls, which belong to the user-interface thread.
#pragma once
#include <functional>

namespace vt {

enum class CharKind { Space, LetterOrDigit, Punctuation };

// A text as the word rule reads it: its length in pane positions and the kind of the character at
// a position inside it. A paragraph break is one position of kind Space.
struct WordText {
  int length;
  std::function<CharKind(int position)> kindAt;
};

bool IsWordDelimiter(const WordText& text, int position);    // outside the text counts as white space
int NextWordCharacter(const WordText& text, int position);   // the first non-space at or after position
int StartOfWordBefore(const WordText& text, int position);   // the start of the word before position
int StartOfNextWord(const WordText& text, int position);     // past this word and the white space after it

class PaneView;
// The pane's text as the rule reads it (an empty text for a pane that is gone); each back end answers.
WordText WordsOfPane(PaneView* pane);

}  // namespace vt
