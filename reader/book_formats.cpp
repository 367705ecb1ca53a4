// Telling a book's format and converting it. A file's format comes from its first bytes: "%PDF-",
// a ZIP archive (whose directory and "mimetype" entry say EPUB, ODT or DOCX), an HTML start or
// name, a binary file (NUL or control bytes), else text. Converting reads the archive's entries
// from the file's bytes in memory, decodes each markup document in the encoding it declares and
// writes the paragraphs through one BookWriter, so the book is built once, in order.
// An EPUB's documents come in its spine's order (the linear ones first); a document without a
// heading of its own takes its chapter stop from the navigation document or the NCX.
// Holds no state; runs on the loading worker, and on the window thread only for the cheap checks.
#include "reader/book_formats.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "reader/book_library.h"
#include "reader/book_text.h"
#include "reader/markup_text.h"
#include "reader/zip_archive.h"

namespace vt {

namespace {

// The start of a file that its format is told from; a binary file shows itself there.
constexpr size_t kSniffBytes = 4096;
// Small entries read to tell an archive's kind ("mimetype", encryption.xml, manifests).
constexpr uint64_t kLargestSniffedEntry = 1u << 20;
// A text has few control characters; a binary file has many (or a NUL, which no text has).
constexpr size_t kControlBytesPerBinary = 16;

const char* const kEpubMime = "application/epub+zip";
const char* const kOdtMime = "application/vnd.oasis.opendocument.text";
// Font obfuscation: the only encryption an ordinary EPUB carries, and no protection of its text.
const char* const kFontObfuscations[] = {"http://www.idpf.org/2008/embedding", "http://ns.adobe.com/pdf/enc#RC"};

// Names are UTF-8 on every system, so they are cut here rather than by the system's path type.
std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }
std::string StemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool EndsWithNoCase(const std::string& name, std::string_view ending) {
  return name.size() >= ending.size() && SameName(std::string_view(name).substr(name.size() - ending.size()), ending);
}

bool IsBinary(std::string_view start) {
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) return false;  // UTF-16 text
  if (start.starts_with(std::string_view("<\0", 2)) || start.starts_with(std::string_view("\0<", 2))) return false;  // UTF-16 markup
  size_t controls = 0;
  for (char c : start) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 0) return true;
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != 0x1A) ++controls;
  }
  return controls >= kControlBytesPerBinary;
}

// The start of a markup document: after a byte-order mark and white space, a doctype, an XML
// declaration followed by <html, or <html itself.
bool LooksLikeHtml(std::string_view start) {
  if (start.starts_with("\xEF\xBB\xBF")) start.remove_prefix(3);
  while (!start.empty() && (start[0] == ' ' || start[0] == '\t' || start[0] == '\r' || start[0] == '\n'))
    start.remove_prefix(1);
  auto begins = [&](std::string_view what) { return start.size() >= what.size() && SameName(start.substr(0, what.size()), what); };
  if (begins("<!doctype html") || begins("<html")) return true;
  if (!begins("<?xml")) return false;
  std::string lower(start.substr(0, kSniffBytes));
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  return lower.find("<html") != std::string::npos || lower.find("<!doctype html") != std::string::npos;
}

bool ReadSmallEntry(ZipArchive& zip, std::string_view name, std::string& out) {
  const ZipEntry* entry = FindZipEntry(zip, name);
  return entry && entry->size <= kLargestSniffedEntry && ReadZipEntry(zip, *entry, out) == ZipStatus::Ok;
}

bool TrimmedEquals(std::string text, std::string_view expected) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text == expected;
}

// True when an EPUB's encryption.xml names any algorithm but font obfuscation.
bool EncryptsText(const std::string& encryption) {
  MarkupCursor cursor{encryption};
  std::string_view text;
  MarkupTag tag;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token != MarkupToken::Tag || tag.closing || LocalName(tag.name) != "EncryptionMethod") continue;
    const std::string algorithm = AttributeValue(tag.attributes, "Algorithm");
    if (std::none_of(std::begin(kFontObfuscations), std::end(kFontObfuscations), [&](const char* font) { return algorithm == font; }))
      return true;
  }
  return false;
}

BookFormat ArchiveStatus(ZipStatus status) {
  switch (status) {
    case ZipStatus::TooLarge: return BookFormat::TooLarge;
    case ZipStatus::Encrypted: return BookFormat::Protected;
    case ZipStatus::Ok:  // callers ask only about failures
    case ZipStatus::NotZip:
    case ZipStatus::Damaged:
    case ZipStatus::Unsupported:
    case ZipStatus::Missing: break;
  }
  return BookFormat::Damaged;
}

// The kind of an opened archive: which document it holds, whether it is protected.
BookFormat ArchiveFormat(ZipArchive& zip) {
  std::string mime, extra;
  ReadSmallEntry(zip, "mimetype", mime);
  if (TrimmedEquals(mime, kEpubMime) || FindZipEntry(zip, "META-INF/container.xml")) {
    // a list of encrypted entries that cannot be read is taken for protection too
    if (FindZipEntry(zip, "META-INF/encryption.xml") &&
        (!ReadSmallEntry(zip, "META-INF/encryption.xml", extra) || EncryptsText(extra)))
      return BookFormat::Protected;
    return FindZipEntry(zip, "META-INF/container.xml") ? BookFormat::Epub : BookFormat::Damaged;
  }
  if (TrimmedEquals(mime, kOdtMime)) {
    if (ReadSmallEntry(zip, "META-INF/manifest.xml", extra) && extra.find("encryption-data") != std::string::npos)
      return BookFormat::Protected;
    return FindZipEntry(zip, "content.xml") ? BookFormat::Odt : BookFormat::Damaged;
  }
  if (FindZipEntry(zip, "word/document.xml")) return BookFormat::Docx;
  return BookFormat::NotABook;
}

BookFormat FormatOf(std::string_view start, const std::string& name, ZipReadAt readAt, uint64_t size, ZipArchive& zip) {
  if (start.substr(0, 1024).find("%PDF-") != std::string_view::npos) return BookFormat::Pdf;
  if (LooksLikeZip(start)) {
    const ZipStatus opened = OpenZipArchive(std::move(readAt), size, zip);
    return opened == ZipStatus::Ok ? ArchiveFormat(zip) : ArchiveStatus(opened);
  }
  if (IsBinary(start)) return BookFormat::NotABook;
  const bool htmlName = EndsWithNoCase(name, ".html") || EndsWithNoCase(name, ".htm") || EndsWithNoCase(name, ".xhtml");
  return htmlName || LooksLikeHtml(start) ? BookFormat::Html : BookFormat::Text;
}

ZipReadAt FileRanges(const std::string& path) {
  return [path](uint64_t offset, size_t length, std::string& buffer) -> std::string_view {
    if (!ReadFilePart(path, offset, buffer, length) || buffer.size() != length) return {};
    return buffer;
  };
}

// An archive's path resolved against the folder of the document that names it: fragment and
// query dropped, %-escapes decoded, "." and ".." taken out. Only ever looked up, never opened.
std::string ResolvePath(std::string_view folder, std::string_view href) {
  href = href.substr(0, std::min(href.find('#'), href.find('?')));
  std::string decoded;
  for (size_t i = 0; i < href.size(); ++i) {
    auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : (c | 32) >= 'a' && (c | 32) <= 'f' ? (c | 32) - 'a' + 10 : -1; };
    if (href[i] == '%' && i + 2 < href.size() && hex(href[i + 1]) >= 0 && hex(href[i + 2]) >= 0) {
      decoded += static_cast<char>(hex(href[i + 1]) * 16 + hex(href[i + 2]));
      i += 2;
    } else {
      decoded += href[i];
    }
  }
  std::string joined = decoded.starts_with("/") ? decoded.substr(1) : std::string(folder) + decoded;
  std::vector<std::string> parts;
  for (size_t from = 0; from <= joined.size();) {
    const size_t slash = std::min(joined.find('/', from), joined.size());
    std::string part = joined.substr(from, slash - from);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    from = slash + 1;
  }
  std::string path;
  for (const std::string& part : parts) path += (path.empty() ? "" : "/") + part;
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// --- EPUB ---

struct ManifestItem {
  std::string path, mediaType, properties;
};

struct Package {
  std::string title;
  std::map<std::string, ManifestItem> manifest;  // by id
  std::vector<std::string> spine;                // ids, the linear ones first
  std::string tocId;                             // the NCX's id
};

std::string RootfilePath(const std::string& container) {
  MarkupCursor cursor{container};
  std::string_view text;
  MarkupTag tag;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;)
    if (token == MarkupToken::Tag && !tag.closing && LocalName(tag.name) == "rootfile")
      return AttributeValue(tag.attributes, "full-path");
  return std::string();
}

Package ReadPackage(const std::string& opf, const std::string& folder) {
  Package package;
  package.title = ElementText(opf, "title");
  std::vector<std::string> nonLinear;
  MarkupCursor cursor{opf};
  std::string_view text;
  MarkupTag tag;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token != MarkupToken::Tag || tag.closing) continue;
    const std::string_view name = LocalName(tag.name);
    if (name == "item") {
      package.manifest[AttributeValue(tag.attributes, "id")] = {ResolvePath(folder, AttributeValue(tag.attributes, "href")),
                                                                AttributeValue(tag.attributes, "media-type"),
                                                                AttributeValue(tag.attributes, "properties")};
    } else if (name == "spine") {
      package.tocId = AttributeValue(tag.attributes, "toc");
    } else if (name == "itemref") {
      (AttributeValue(tag.attributes, "linear") == "no" ? nonLinear : package.spine).push_back(AttributeValue(tag.attributes, "idref"));
    }
  }
  package.spine.insert(package.spine.end(), nonLinear.begin(), nonLinear.end());
  return package;
}

// The first title the table of contents gives each document, by its path: from the navigation
// document's links (<a href>text</a>) or the NCX's navPoints (<text> then <content src>).
std::map<std::string, std::string> ContentsTitles(const std::string& toc, const std::string& folder) {
  std::map<std::string, std::string> titles;
  MarkupCursor cursor{toc};
  std::string_view text;
  MarkupTag tag;
  std::string href, label;
  bool inLabel = false;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token == MarkupToken::Text && inLabel) AppendDecoded(label, text);
    if (token != MarkupToken::Tag) continue;
    const std::string_view name = LocalName(tag.name);
    if (name == "a" || name == "text") {
      if (!tag.closing) label.clear(), href = AttributeValue(tag.attributes, "href");
      inLabel = !tag.closing;
    }
    if (name == "content" && !tag.closing) href = AttributeValue(tag.attributes, "src");
    if ((name == "a" && tag.closing) || name == "content") {
      BookWriter line;
      line.Text(label);
      if (!href.empty() && !line.out.empty()) titles.emplace(ResolvePath(folder, href), line.out);
    }
  }
  return titles;
}

std::string TableOfContents(ZipArchive& zip, const Package& package) {
  std::string toc;
  for (const auto& [id, item] : package.manifest)
    if (item.properties.find("nav") != std::string::npos && ReadZipEntry(zip, item.path, toc) == ZipStatus::Ok) return toc;
  if (auto ncx = package.manifest.find(package.tocId); ncx != package.manifest.end()) ReadZipEntry(zip, ncx->second.path, toc);
  return toc;
}

bool IsHtmlMedia(const std::string& mediaType) {
  return mediaType.empty() || mediaType == "application/xhtml+xml" || mediaType == "text/html";
}

// One spine document; when it has no heading of its own, the contents' title becomes its stop.
ZipStatus AddEpubDocument(ZipArchive& zip, const ManifestItem& item, const std::map<std::string, std::string>& titles,
                          BookWriter& writer) {
  std::string bytes;
  const ZipStatus status = ReadZipEntry(zip, item.path, bytes);
  if (status == ZipStatus::Missing) return ZipStatus::Ok;  // a missing chapter is left out
  if (status != ZipStatus::Ok) return status;
  const size_t start = writer.out.size();
  if (HtmlToBook(DecodeMarkup(bytes), writer) > 0) return ZipStatus::Ok;
  if (auto title = titles.find(item.path); title != titles.end()) {
    BookWriter heading;
    heading.StartHeading();
    heading.Text(title->second);
    heading.EndParagraph();
    writer.out.insert(start, heading.out);
  }
  return ZipStatus::Ok;
}

ZipStatus ReadPackageOf(ZipArchive& zip, Package& package, std::string& folder) {
  std::string container, opf;
  ZipStatus status = ReadZipEntry(zip, "META-INF/container.xml", container);
  if (status != ZipStatus::Ok) return status;
  const std::string opfPath = RootfilePath(DecodeMarkup(container));
  if ((status = ReadZipEntry(zip, opfPath, opf)) != ZipStatus::Ok) return status;
  folder = FolderOf(opfPath);
  package = ReadPackage(DecodeMarkup(opf), folder);
  return ZipStatus::Ok;
}

// The markup of the spine's documents: the text made of them is shorter, so the book is made in
// room taken once.
uint64_t SpineSize(const ZipArchive& zip, const Package& package) {
  uint64_t size = 0;
  for (const std::string& id : package.spine)
    if (auto item = package.manifest.find(id); item != package.manifest.end())
      if (const ZipEntry* entry = FindZipEntry(zip, item->second.path)) size += entry->size;
  return size;
}

BookFormat EpubToBook(ZipArchive& zip, const std::string& fileName, std::string& text) {
  Package package;
  std::string folder;
  if (ZipStatus status = ReadPackageOf(zip, package, folder); status != ZipStatus::Ok) return ArchiveStatus(status);
  const auto titles = ContentsTitles(DecodeMarkup(TableOfContents(zip, package)), folder);
  BookWriter writer;
  writer.out.reserve(static_cast<size_t>(std::min<uint64_t>(SpineSize(zip, package), LargestZipTotal)));
  writer.Title(package.title.empty() ? StemOf(fileName) : package.title);
  for (const std::string& id : package.spine) {
    auto item = package.manifest.find(id);
    if (item == package.manifest.end() || !IsHtmlMedia(item->second.mediaType)) continue;
    if (ZipStatus status = AddEpubDocument(zip, item->second, titles, writer); status != ZipStatus::Ok)
      return ArchiveStatus(status);
  }
  text = writer.Book();
  return BookFormat::Epub;
}

// --- Word and OpenDocument ---

// The title in an office document's properties (dc:title), or the file's name.
std::string PropertiesTitle(ZipArchive& zip, std::string_view entry, const std::string& fileName) {
  std::string properties;
  ReadSmallEntry(zip, entry, properties);
  std::string title = ElementText(DecodeMarkup(properties), "title");
  return title.empty() ? StemOf(fileName) : title;
}

// The heading level of each Word paragraph style, by the style's id: its name "heading N" or
// "Title" says it, whatever the id is called in the document's language.
std::map<std::string, int> WordHeadingStyles(const std::string& styles) {
  std::map<std::string, int> levels;
  MarkupCursor cursor{styles};
  std::string_view text;
  MarkupTag tag;
  std::string id;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token != MarkupToken::Tag || tag.closing) continue;
    if (tag.name == "w:style") id = AttributeValue(tag.attributes, "styleId");
    if (tag.name != "w:name") continue;
    std::string name = AttributeValue(tag.attributes, "val");
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    if (name == "title") levels[id] = 1;
    if (name.size() == 9 && name.starts_with("heading ") && name[8] >= '1' && name[8] <= '9') levels[id] = name[8] - '0';
  }
  return levels;
}

// What the walk through a Word or OpenDocument body keeps between tokens.
struct OfficeState {
  int tables = 0;         // depth of open tables: their paragraphs make one line per row
  bool inText = false;    // within a run's text (w:t), whose characters are the document's
  int skipped = 0;        // depth of content left out (fallbacks, notes, annotations)
  bool listItem = false;  // the next paragraph opens a list item
};

void OfficeParagraph(bool opens, OfficeState& state, BookWriter& writer) {
  if (state.tables > 0) {
    writer.Text(" ");
    return;
  }
  writer.EndParagraph();
  if (opens && state.listItem) writer.Text("\xE2\x80\xA2 ");
  if (opens) state.listItem = false;
}

void WordTag(const MarkupTag& tag, const std::map<std::string, int>& headings, OfficeState& state, BookWriter& writer) {
  const std::string_view name = tag.name;
  const bool opens = !tag.closing;
  if (name == "mc:Fallback" && !tag.selfClosing) state.skipped += opens ? 1 : -1;
  if (state.skipped > 0) return;
  if (name == "w:t") state.inText = opens && !tag.selfClosing;
  if (name == "w:p") OfficeParagraph(opens && !tag.selfClosing, state, writer);
  if (name == "w:tbl" && !tag.selfClosing) state.tables = std::max(0, state.tables + (opens ? 1 : -1)), writer.EndParagraph();
  if (name == "w:tr") writer.EndParagraph();
  if (name == "w:tc" && opens) writer.Cell();
  if ((name == "w:tab" || name == "w:br") && opens) writer.Text(" ");
  if (name == "w:numPr" && opens && state.tables == 0) writer.Text("\xE2\x80\xA2 ");
  if (name == "w:pStyle" && opens && state.tables == 0) {
    const std::string style = AttributeValue(tag.attributes, "val");
    auto level = headings.find(style);
    const int n = level != headings.end() ? level->second
                  : style.size() == 8 && style.starts_with("Heading") ? style[7] - '0' : 0;
    if (n >= 1 && n <= 3 && !writer.inParagraph) writer.StartHeading();
  }
}

void OdfTag(const MarkupTag& tag, OfficeState& state, BookWriter& writer) {
  const std::string_view name = tag.name;
  const bool opens = !tag.closing;
  if ((name == "text:note" || name == "office:annotation" || name == "text:tracked-changes") && !tag.selfClosing)
    state.skipped += opens ? 1 : -1;
  if (state.skipped > 0) return;
  if ((name == "text:p" || name == "text:h") && !tag.selfClosing) state.inText = opens;
  if (name == "text:p") OfficeParagraph(opens && !tag.selfClosing, state, writer);
  if (name == "text:h") {
    OfficeParagraph(opens, state, writer);
    const std::string level = AttributeValue(tag.attributes, "outline-level");
    if (opens && state.tables == 0 && (level.empty() || (level.size() == 1 && level[0] >= '1' && level[0] <= '3')))
      writer.StartHeading();
  }
  if (name == "text:list-item" && opens) state.listItem = true;
  if (name == "table:table" && !tag.selfClosing) state.tables = std::max(0, state.tables + (opens ? 1 : -1)), writer.EndParagraph();
  if (name == "table:table-row") writer.EndParagraph();
  if (name == "table:table-cell" && opens) writer.Cell();
  if ((name == "text:s" || name == "text:tab" || name == "text:line-break") && opens) writer.Text(" ");
}

template <typename OnTag>
void OfficeBody(std::string_view xml, OfficeState& state, BookWriter& writer, OnTag onTag) {
  MarkupCursor cursor{xml};
  std::string_view text;
  MarkupTag tag;
  std::string decoded;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token == MarkupToken::Tag) {
      onTag(tag);
    } else if (state.inText && state.skipped == 0) {
      decoded.clear();
      if (token == MarkupToken::Text) AppendDecoded(decoded, text); else decoded.assign(text);
      writer.Text(decoded);
    }
  }
}

BookFormat DocxToBook(ZipArchive& zip, const std::string& fileName, std::string& text) {
  std::string document, styles;
  if (ZipStatus status = ReadZipEntry(zip, "word/document.xml", document); status != ZipStatus::Ok) return ArchiveStatus(status);
  ReadZipEntry(zip, "word/styles.xml", styles);
  const auto headings = WordHeadingStyles(DecodeMarkup(styles));
  BookWriter writer;
  writer.Title(PropertiesTitle(zip, "docProps/core.xml", fileName));
  OfficeState state;
  OfficeBody(DecodeMarkup(document), state, writer, [&](const MarkupTag& tag) { WordTag(tag, headings, state, writer); });
  text = writer.Book();
  return BookFormat::Docx;
}

BookFormat OdtToBook(ZipArchive& zip, const std::string& fileName, std::string& text) {
  std::string content;
  if (ZipStatus status = ReadZipEntry(zip, "content.xml", content); status != ZipStatus::Ok) return ArchiveStatus(status);
  BookWriter writer;
  writer.Title(PropertiesTitle(zip, "meta.xml", fileName));
  OfficeState state;
  OfficeBody(DecodeMarkup(content), state, writer, [&](const MarkupTag& tag) { OdfTag(tag, state, writer); });
  text = writer.Book();
  return BookFormat::Odt;
}

// --- HTML and text ---

std::string HtmlTitle(const std::string& html, const std::string& fileName) {
  std::string title = ElementText(html, "title");
  if (title.empty()) title = ElementText(html, "h1");
  return title.empty() ? StemOf(fileName) : title;
}

BookFormat HtmlFileToBook(const std::string& bytes, const std::string& fileName, std::string& text) {
  const std::string html = DecodeMarkup(bytes);
  BookWriter writer;
  writer.Title(HtmlTitle(html, fileName));
  HtmlToBook(html, writer);
  text = writer.Book();
  return BookFormat::Html;
}

// A chapter line of a Gutenberg text: a word such as CHAPTER or BOOK, then a number in figures,
// Roman numerals or words, and little else.
bool IsChapterLine(std::string_view line) {
  constexpr size_t kLongestChapterLine = 60;  // a title after the number, not a paragraph
  static const char* const kWords[] = {"CHAPTER ", "BOOK ", "PART ", "VOLUME ", "STAVE ", "ACT ", "Chapter ", "Book ", "Part "};
  if (line.size() > kLongestChapterLine) return false;
  for (const char* word : kWords) {
    if (!line.starts_with(word)) continue;
    std::string_view number = line.substr(std::string_view(word).size());
    return !number.empty() && (std::isdigit(static_cast<unsigned char>(number[0])) || std::isupper(static_cast<unsigned char>(number[0])));
  }
  return false;
}

}  // namespace

bool IsBookFormat(BookFormat format) {
  return format == BookFormat::Text || format == BookFormat::Html || format == BookFormat::Epub ||
         format == BookFormat::Docx || format == BookFormat::Odt;
}

const char* RefusalNotice(BookFormat format) {
  switch (format) {
    case BookFormat::TooLarge: return BookTooLargeNotice;
    case BookFormat::Unreadable: return BookUnreadableNotice;
    case BookFormat::Pdf: return "PDF cannot be shown! Try EPUB, Word or text.";
    case BookFormat::Protected: return "Protected book cannot be shown!";
    case BookFormat::NotABook: return "Not a book! EPUB, Word, ODT, HTML or text only.";
    case BookFormat::Damaged: return "Damaged book cannot be shown!";
    default: return nullptr;
  }
}

BookFormat BookFileFormat(const std::string& path) {
  uint64_t size = 0;
  if (!RegularFileSize(path, size)) return BookFormat::Missing;
  if (size > LargestBook) return BookFormat::TooLarge;
  std::string start;
  if (!ReadFileStart(path, start, kSniffBytes)) return IsRegularFile(path) ? BookFormat::Unreadable : BookFormat::Missing;
  ZipArchive zip;
  return FormatOf(start, FileNameOf(path), FileRanges(path), size, zip);
}

std::string BookFileTitle(const std::string& path, BookFormat format) {
  std::string start;
  const std::string name = FileNameOf(path);
  if (format == BookFormat::Text || format == BookFormat::Html) {
    if (!ReadFileStart(path, start, kSniffBytes)) return name;
    if (format == BookFormat::Html) return HtmlTitle(DecodeMarkup(start), name);
    // the start is cut after its last ASCII byte, so that it holds no character in part
    const bool utf16 = start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF");
    while (!utf16 && !start.empty() && (start.back() & 0x80)) start.pop_back();
    return TitleLine(DecodeBookText(start));
  }
  uint64_t size = 0;
  ZipArchive zip;
  if (!RegularFileSize(path, size) || OpenZipArchive(FileRanges(path), size, zip) != ZipStatus::Ok) return StemOf(name);
  if (format == BookFormat::Docx) return PropertiesTitle(zip, "docProps/core.xml", name);
  if (format == BookFormat::Odt) return PropertiesTitle(zip, "meta.xml", name);
  Package package;
  std::string folder;
  return ReadPackageOf(zip, package, folder) == ZipStatus::Ok && !package.title.empty() ? package.title : StemOf(name);
}

BookFormat ConvertBook(std::string bytes, const std::string& fileName, std::string& text) {
  ZipArchive zip;
  const BookFormat format = FormatOf(std::string_view(bytes).substr(0, kSniffBytes), fileName, ZipBytes(bytes), bytes.size(), zip);
  switch (format) {
    case BookFormat::Text:
      text = DecodeBookText(std::move(bytes));
      MarkGutenbergText(text);
      return format;
    case BookFormat::Html: return HtmlFileToBook(bytes, fileName, text);
    case BookFormat::Epub: return EpubToBook(zip, fileName, text);
    case BookFormat::Docx: return DocxToBook(zip, fileName, text);
    case BookFormat::Odt: return OdtToBook(zip, fileName, text);
    default: return format;
  }
}

size_t GutenbergStart(const std::string& text) {
  size_t start = text.find("*** START OF THE PROJECT GUTENBERG EBOOK");
  if (start == std::string::npos) start = text.find("*** START OF THIS PROJECT GUTENBERG EBOOK");
  const size_t lineEnd = start == std::string::npos ? start : text.find("\r\n", start);
  return lineEnd == std::string::npos ? 0 : lineEnd + 2;
}

size_t MarkGutenbergText(std::string& text) {
  const size_t bookStart = GutenbergStart(text);
  if (bookStart == 0) return 0;
  std::string marked = text.substr(0, bookStart);
  bool afterBlank = false;
  for (size_t from = bookStart; from < text.size();) {
    const size_t end = std::min(text.find("\r\n", from), text.size());
    const std::string_view line = std::string_view(text).substr(from, end - from);
    if (afterBlank && IsChapterLine(line)) marked += ">>";
    marked.append(line);
    if (end < text.size()) marked += "\r\n";
    afterBlank = line.empty();
    from = end + 2;
  }
  text = std::move(marked);
  return bookStart;
}

}  // namespace vt
