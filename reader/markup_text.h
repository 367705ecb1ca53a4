// Markup (HTML, XHTML and the XML of Word and OpenDocument files) on its way to the reader's own
// book format: a tolerant tokenizer that never fails on broken markup, character references, and
// the writer of paragraphs and chapter stops that every book format ends in.
// The tokenizer keeps no stack of open elements, so any depth of nesting costs nothing; it reads
// no DTD and expands no entity but the predefined ones and the named references of HTML, so no
// document can make it fetch or multiply anything. Pure code, safe on any thread.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace vt {

// One tag: its name as written (with any prefix, "dc:title"), its attributes' source text.
struct MarkupTag {
  std::string_view name;
  std::string_view attributes;
  bool closing = false;      // </p>
  bool selfClosing = false;  // <br/>
};

enum class MarkupToken { Text, RawText, Tag, End };

// Walks markup text (UTF-8). Comments, doctypes and processing instructions are skipped; CDATA
// and the content of HTML's script and style come as RawText (no references in it).
struct MarkupCursor {
  explicit MarkupCursor(std::string_view markup) : text(markup) {}
  std::string_view text;
  size_t at = 0;
  std::string_view rawUntil;  // after <script> or <style>: the end tag the raw content runs to
};

// The next token: `text` holds a Text or RawText token, `tag` a Tag.
MarkupToken NextMarkupToken(MarkupCursor& cursor, std::string_view& text, MarkupTag& tag);

// The name without its namespace prefix ("dc:title" -> "title").
std::string_view LocalName(std::string_view name);

// True when the names are equal, ignoring ASCII case (HTML's tag and attribute names).
bool SameName(std::string_view a, std::string_view b);

// The value of an attribute (matched by its local name, ignoring case), references decoded; "" when absent.
std::string AttributeValue(std::string_view attributes, std::string_view name);

// Appends text with its character references decoded; an unknown or broken reference is kept as
// written. Characters a book must not hold (control codes, surrogates) are dropped.
void AppendDecoded(std::string& out, std::string_view text);

// Builds a book in the reader's own format: the title line, a blank line, then paragraphs
// separated by a blank line (so that paragraph formatting never joins them), chapter headings on
// lines of their own beginning with ">>". White space is collapsed as a browser does, and a ">>"
// within running text is broken up, so that only headings are chapter stops.
struct BookWriter {
  std::string out;
  bool inParagraph = false;   // text has been written to the current paragraph (or line)
  bool pendingSpace = false;  // white space seen since the last character written
  bool headingNext = false;   // the next paragraph is a chapter heading
  bool lineEnded = false;     // a preformatted line has just ended
  size_t guardFrom = 0;       // where a ">>" would start a chapter stop of running text

  // The title line; called first.
  void Title(std::string_view title);
  // Text as it flows in markup: runs of white space become one blank.
  void Text(std::string_view decoded);
  // Text kept line by line, as in <pre>: each line end ends a line of the book.
  void PreformattedText(std::string_view decoded);
  // A table cell's start: a tab between cells of a row.
  void Cell();
  // Ends the paragraph being written, if any.
  void EndParagraph();
  // The next paragraph is a chapter heading (an empty heading leaves nothing).
  void StartHeading();
  // The finished book, taken out of the writer.
  std::string Book();

 private:
  void Begin();
  void Put(char c);
};

// The text of the first element of that local name ("title" finds <dc:title>), on one line.
std::string ElementText(std::string_view markup, std::string_view name);

// Writes the paragraphs and chapter stops of one HTML or XHTML document (UTF-8); returns how many
// chapter headings (h1 ... h3) it had.
int HtmlToBook(std::string_view html, BookWriter& writer);

// A markup document's bytes as UTF-8 text: a byte-order mark, else the encoding that its XML
// declaration or meta charset names, else the rules of plain text.
std::string DecodeMarkup(const std::string& bytes);

}  // namespace vt
