// The reading pane's storage: the document's blocks and the pane's plain text over them. A book
// of hundreds of megabytes is held once, in UTF-16, by the document: the plain text the pane finds
// in, counts and reads back is a view of the document's own characters. The document groups short
// paragraphs into blocks joined by line separators (the widget's cost is per block), and a text
// shown again in other letters is written over those characters instead of being built anew.
// State: the view, what keeps its characters, and how many paragraphs each block holds; owned by
// the pane on the user-interface thread. Workers (the line count, a search) read the characters
// while the pane keeps them unchanged: the pane stops them before anything is written.
#pragma once
#include <QString>
#include <QStringView>

#include <string>
#include <vector>

#include "platform/pane.h"

class QTextDocument;

namespace vt {

// Each character in capitals or in small letters, as ChangeLetterCase maps it: a mapping that
// would take another number of UTF-16 units leaves the character as it is. The characters below
// U+10000 are mapped from a table made once, a look-up each instead of a question to Qt's tables.
class LetterMap {
 public:
  explicit LetterMap(PaneLetters letters = PaneLetters::AsWritten);
  bool Active() const { return table != nullptr; }
  // What each character below U+10000 becomes, as a table (characters as they are when inactive).
  const char16_t* Units() const;
  char32_t operator()(char32_t code) const;
  // Maps UTF-16 text in place.
  void MapUnits(QChar* begin, QChar* end) const;

 private:
  const char16_t* table = nullptr;
  bool upper = false;
};

// How a UTF-8 text compares with the text held.
enum class TextFit {
  Same,        // the same characters
  Relettered,  // the same shape (every character in the place of one, every break where it was),
               // other letters, which are now written over the document's characters
  Differs,     // another text, or other letters that could not be written
};

class PaneStorage {
 public:
  // The plain text: a line separator (within a block) or a paragraph separator (between blocks) at
  // each paragraph break, so its offsets are the widget's positions.
  QStringView Text() const { return text; }
  // How many paragraphs each block of the document holds.
  const std::vector<int>& BlockParagraphs() const { return blockParagraphs; }
  // What keeps the characters of Text(): a worker holds it while it reads them.
  const QString& Holder() const { return holder; }

  // Lets the text go (the document is emptied or replaced by the caller).
  void Clear() { *this = PaneStorage(); }

  // Puts UTF-8 text, in the letters of `letters`, into an empty document and views its characters.
  void Fill(QTextDocument* document, const std::string& utf8, const LetterMap& letters);

  // Compares UTF-8 text in those letters with the text held, in one walk. With `mayWrite`, other
  // letters of the same shape are written over the document's characters as the walk goes (the
  // document is told); where the shape turns out to differ, the letters written so far stay, and
  // the caller replaces the document. Nothing may read the characters meanwhile.
  TextFit Match(QTextDocument* document, const std::string& utf8, const LetterMap& letters, bool mayWrite);

  // The text with CR LF at each paragraph break, as reading the pane back gives it.
  std::string CrLfText() const;

 private:
  void ViewDocumentCharacters(const QTextDocument* document);
  bool SharesDocument() const;

  QStringView text;
  QString holder;
  std::vector<int> blockParagraphs;
};

// A paragraph break of the pane's text: a line separator (between paragraphs of one block of the
// document) or a paragraph separator (between blocks).
inline bool IsParagraphBreak(QChar c) { return c == QChar::LineSeparator || c == QChar::ParagraphSeparator; }

}  // namespace vt
