// The formats a user's book may come in: plain text, HTML, EPUB, Word (DOCX) and OpenDocument
// (ODT), each told by its content, and every one of them made into the reader's own book format
// (the title line, a blank line, the paragraphs, chapter headings beginning with ">>"). What is not
// a book (a PDF, a protected EPUB, any other archive or binary file) is named, so that a notice can
// say why it is not shown. Pure code over bytes and file ranges, run on any thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace vt {

// Beyond this size a book would not fit the pane's positions and memory; it is refused before a
// byte of it is read.
constexpr uint64_t LargestBook = 256u << 20;

enum class BookFormat {
  Missing,     // nothing readable there (no file, a folder, a FIFO, a device)
  Unreadable,  // a file that may not be read
  TooLarge,    // over LargestBook, or an archive over its caps
  Text, Html, Epub, Docx, Odt,
  Pdf,
  Protected,  // an encrypted EPUB, ODT or archive entry
  NotABook,   // an archive that holds no document, or any other binary file
  Damaged,    // a broken archive or a document missing from it
};

// True for the formats the reader shows.
bool IsBookFormat(BookFormat format);

// The bar notice that says why a file is not shown; nullptr for a book or a missing file.
const char* RefusalNotice(BookFormat format);

// The file's format from its size, its first bytes and, for an archive, its central directory and
// the few small entries that name its kind: cheap, and nothing of the book is converted.
BookFormat BookFileFormat(const std::string& path);

// The book's title for a notice, without converting the book: the first line of a text, the
// title that an EPUB's package, a document's properties or an HTML <title> give, else the file's name.
std::string BookFileTitle(const std::string& path, BookFormat format);

// The whole file's bytes made into the reader's own book format (decoded UTF-8, CR LF line ends);
// returns the format, or why the bytes cannot be shown. `fileName` stands in for a missing title.
BookFormat ConvertBook(std::string bytes, const std::string& fileName, std::string& text);

// Marks a Project Gutenberg text: its chapter lines ("CHAPTER IV.", "BOOK TWO") standing alone after
// a blank line become chapter stops. Returns where the book proper starts (the line after the
// "*** START OF" line), or 0 for any other text, which is left as it was.
size_t MarkGutenbergText(std::string& text);

// Where a Project Gutenberg text's book proper starts (in bytes), or 0 for any other text.
size_t GutenbergStart(const std::string& text);

}  // namespace vt
