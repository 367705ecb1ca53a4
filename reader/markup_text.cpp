// Markup to the reader's own book format. The tokenizer is a cursor over the text that hands out
// one tag or one run of text at a time and keeps nothing but its place, so broken markup (an
// unclosed tag, a stray '<', 100,000 nested elements) is read on as a browser would and never
// grows a stack. HtmlToBook keeps the few facts it needs between tokens: the element whose content
// is being skipped (script, style, head), the open lists' counters and whether text is
// preformatted. References are decoded from the HTML table and numbers only; a doctype is skipped
// unread, so no entity a document defines is ever expanded.
#include "reader/markup_text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "reader/book_text.h"
#include "reader/html_entities.h"

namespace vt {

namespace {

// Longest reference name looked up ("&thetasym;"); a longer run of letters is no reference.
constexpr size_t kLongestEntityName = 32;
// A declaration or a meta charset that names the encoding stands in a document's first kilobyte.
constexpr size_t kDeclarationSearch = 1024;
// A zero-width space splits a ">>" of running text, which would otherwise be a chapter stop.
constexpr const char* kStopBreaker = "\xE2\x80\x8B";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsNameChar(char c) { return !IsSpace(c) && c != '/' && c != '>' && c != '='; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Skips to just past `end`, or to the end of the text.
void SkipPast(MarkupCursor& cursor, std::string_view end) {
  const size_t found = cursor.text.find(end, cursor.at);
  cursor.at = found == std::string_view::npos ? cursor.text.size() : found + end.size();
}

// Skips a doctype or processing instruction, internal subset included; it is never read.
void SkipDeclaration(MarkupCursor& cursor) {
  const size_t close = cursor.text.find('>', cursor.at), open = cursor.text.find('[', cursor.at);
  if (open < close) {
    cursor.at = open;
    SkipPast(cursor, "]");
  }
  SkipPast(cursor, ">");
}

// The end of a tag's attributes: its '>' outside quotes.
size_t TagEnd(std::string_view text, size_t from) {
  char quote = 0;
  for (size_t at = from; at < text.size(); ++at) {
    const char c = text[at];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      return at;
    }
  }
  return text.size();
}

bool ReadTag(MarkupCursor& cursor, MarkupTag& tag) {
  std::string_view text = cursor.text;
  size_t at = cursor.at + 1;
  tag.closing = at < text.size() && text[at] == '/';
  if (tag.closing) ++at;
  if (at >= text.size() || !IsAsciiLetter(text[at])) return false;  // "a < b": a '<' of the text
  size_t nameEnd = at;
  while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
  const size_t end = TagEnd(text, nameEnd);
  tag.name = text.substr(at, nameEnd - at);
  tag.attributes = text.substr(nameEnd, end - nameEnd);
  tag.selfClosing = !tag.attributes.empty() && tag.attributes.back() == '/';
  if (tag.selfClosing) tag.attributes.remove_suffix(1);
  cursor.at = std::min(end + 1, text.size());
  if (!tag.closing && !tag.selfClosing && (SameName(tag.name, "script") || SameName(tag.name, "style")))
    cursor.rawUntil = tag.name;
  return true;
}

MarkupToken RawContent(MarkupCursor& cursor, std::string_view& text) {
  size_t end = cursor.at;
  while ((end = cursor.text.find("</", end)) != std::string_view::npos &&
         !SameName(cursor.text.substr(end + 2, cursor.rawUntil.size()), cursor.rawUntil))
    end += 2;
  if (end == std::string_view::npos) end = cursor.text.size();
  text = cursor.text.substr(cursor.at, end - cursor.at);
  cursor.at = end;
  cursor.rawUntil = {};
  return MarkupToken::RawText;
}

// A numeric reference's character, or 0 when it is broken or stands for nothing a book may hold.
char32_t NumericReference(std::string_view digits, bool hex) {
  if (digits.empty() || digits.size() > 8) return 0;
  char32_t code = 0;
  for (char c : digits) {
    const int value = c >= '0' && c <= '9' ? c - '0' : hex && Lower(c) >= 'a' && Lower(c) <= 'f' ? Lower(c) - 'a' + 10 : -1;
    if (value < 0) return 0;
    code = code * (hex ? 16 : 10) + static_cast<char32_t>(value);
  }
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0xFFFD;
  return code;
}

// Whether a decoded character may stand in a book: no control character but tab and line ends.
// What a reference may put into the book: the characters the book's text keeps (no controls, no
// noncharacters, no byte-order mark).
bool Printable(char32_t code) {
  return code == '\t' || code == '\n' || code == '\r' || (code >= 0x20 && code < 0x7F) ||
         (code >= 0xA0 && !(code >= 0xFDD0 && code <= 0xFDEF) && (code & 0xFFFE) != 0xFFFE && code != 0xFEFF);
}

// Decodes the reference at text[at] ('&'); returns its length, or 0 when it is none.
size_t AppendReference(std::string& out, std::string_view text, size_t at) {
  // looked for only as far as the longest name: a text of many '&' and no ';' stays linear
  const size_t found = text.substr(at + 1, kLongestEntityName + 1).find(';');
  if (found == std::string_view::npos) return 0;
  const size_t semicolon = at + 1 + found;
  std::string_view body = text.substr(at + 1, semicolon - at - 1);
  char32_t code = 0;
  if (body.starts_with("#x") || body.starts_with("#X"))
    code = NumericReference(body.substr(2), true);
  else if (body.starts_with("#"))
    code = NumericReference(body.substr(1), false);
  else
    code = NamedEntityCode(body);
  if (code == 0) return 0;
  if (code == 0x2028 || code == 0x2029) code = '\n';  // a line separator is white space like any line end
  if (Printable(code)) AppendCodePoint(out, code);
  return semicolon - at + 1;
}

// Tag names in lower case, for comparing with the names of HTML (a short copy: names are short).
std::string LowerName(std::string_view name) {
  std::string lower(LocalName(name));
  for (char& c : lower) c = Lower(c);
  return lower;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// Elements that each make a paragraph of their own.
bool IsBlock(const std::string& name) {
  return IsOneOf(name, {"p", "div", "li", "ul", "ol", "dl", "dt", "dd", "blockquote", "br", "hr", "tr", "table",
                        "pre", "section", "article", "header", "footer", "nav", "aside", "figure", "figcaption",
                        "address", "main", "body", "center", "caption", "h1", "h2", "h3", "h4", "h5", "h6"});
}

// Elements whose content is no part of the text.
bool IsSkipped(const std::string& name) { return IsOneOf(name, {"script", "style", "head", "title", "template"}); }

// HtmlToBook's state between tokens.
struct HtmlState {
  std::string skipping;           // the element whose content is skipped, or ""
  std::vector<int> lists;         // each open list: the last item's number, -1 for a bullet list
  int preformatted = 0;           // depth of open <pre> elements
  int headings = 0;               // chapter headings written
  std::string decoded;            // scratch for decoded text
};

void ListItem(HtmlState& state, BookWriter& writer) {
  if (state.lists.empty() || state.lists.back() < 0) {
    writer.Text("\xE2\x80\xA2 ");  // a bullet
    return;
  }
  writer.Text(std::to_string(++state.lists.back()) + ". ");
}

void HtmlTag(const MarkupTag& tag, HtmlState& state, BookWriter& writer) {
  const std::string name = LowerName(tag.name);
  if (!state.skipping.empty()) {
    if ((tag.closing && name == state.skipping) || (state.skipping == "head" && name == "body" && !tag.closing))
      state.skipping.clear();
    return;
  }
  if (!tag.closing && !tag.selfClosing && IsSkipped(name)) {
    state.skipping = name;
    return;
  }
  if (IsBlock(name)) writer.EndParagraph();
  const bool opens = !tag.closing;
  if (opens && name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '3') {
    writer.StartHeading();
    ++state.headings;
  } else if (name == "ul" || name == "ol") {
    if (opens && !tag.selfClosing) state.lists.push_back(name == "ol" ? 0 : -1);
    if (!opens && !state.lists.empty()) state.lists.pop_back();
  } else if (name == "li" && opens) {
    ListItem(state, writer);
  } else if (name == "pre" && !tag.selfClosing) {
    state.preformatted = std::max(0, state.preformatted + (opens ? 1 : -1));
  } else if ((name == "td" || name == "th") && opens) {
    writer.Cell();
  } else if (name == "img" && opens) {
    writer.Text(AttributeValue(tag.attributes, "alt"));
  }
}

// The encoding that a document's XML declaration or meta charset names, or that its first
// character shows (UTF-16 without a byte-order mark).
TextEncoding DeclaredEncoding(const std::string& bytes) {
  if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0') return TextEncoding::Utf16LE;
  if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '<') return TextEncoding::Utf16BE;
  std::string head = bytes.substr(0, kDeclarationSearch);
  for (char& c : head) c = Lower(c);
  size_t at = head.find("encoding=");
  if (at != std::string::npos) {
    at += 9;
  } else if ((at = head.find("charset=")) != std::string::npos) {
    at += 8;
  } else {
    return TextEncoding::Guess;
  }
  while (at < head.size() && (head[at] == '"' || head[at] == '\'' || IsSpace(head[at]))) ++at;
  size_t end = at;
  while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' || head[end] == '_')) ++end;
  const std::string name = head.substr(at, end - at);
  if (name == "utf-8" || name == "utf8") return TextEncoding::Utf8;
  if (name == "utf-16" || name == "utf-16le") return TextEncoding::Utf16LE;
  if (name == "utf-16be") return TextEncoding::Utf16BE;
  if (IsOneOf(name, {"iso-8859-1", "latin1", "iso8859-1", "windows-1252", "cp1252", "us-ascii", "ascii"}))
    return TextEncoding::Windows1252;
  return TextEncoding::Guess;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

MarkupToken NextMarkupToken(MarkupCursor& cursor, std::string_view& text, MarkupTag& tag) {
  const std::string_view source = cursor.text;
  while (cursor.at < source.size()) {
    if (!cursor.rawUntil.empty()) return RawContent(cursor, text);
    if (source[cursor.at] != '<') {
      const size_t end = std::min(source.find('<', cursor.at + 1), source.size());
      text = source.substr(cursor.at, end - cursor.at);
      cursor.at = end;
      return MarkupToken::Text;
    }
    std::string_view rest = source.substr(cursor.at);
    if (rest.starts_with("<!--")) {
      SkipPast(cursor, "-->");
    } else if (rest.starts_with("<![CDATA[")) {
      const size_t end = std::min(source.find("]]>", cursor.at), source.size());
      text = source.substr(cursor.at + 9, end - std::min(end, cursor.at + 9));
      cursor.at = std::min(end + 3, source.size());
      return MarkupToken::RawText;
    } else if (rest.starts_with("<!") || rest.starts_with("<?")) {
      SkipDeclaration(cursor);
    } else if (ReadTag(cursor, tag)) {
      return MarkupToken::Tag;
    } else {
      text = source.substr(cursor.at, 1);
      ++cursor.at;
      return MarkupToken::Text;
    }
  }
  return MarkupToken::End;
}

std::string AttributeValue(std::string_view attributes, std::string_view name) {
  size_t at = 0;
  while (at < attributes.size()) {
    while (at < attributes.size() && (IsSpace(attributes[at]) || attributes[at] == '/')) ++at;
    const size_t nameStart = at;
    while (at < attributes.size() && IsNameChar(attributes[at])) ++at;
    std::string_view attribute = attributes.substr(nameStart, at - nameStart);
    while (at < attributes.size() && IsSpace(attributes[at])) ++at;
    std::string_view value;
    if (at < attributes.size() && attributes[at] == '=') {
      ++at;
      while (at < attributes.size() && IsSpace(attributes[at])) ++at;
      const char quote = at < attributes.size() && (attributes[at] == '"' || attributes[at] == '\'') ? attributes[at] : 0;
      const size_t start = quote ? at + 1 : at;
      size_t end = quote ? attributes.find(quote, start) : start;
      if (!quote)
        while (end < attributes.size() && !IsSpace(attributes[end])) ++end;
      end = std::min(end, attributes.size());
      value = attributes.substr(start, end - start);
      at = quote ? end + 1 : end;
    }
    if (attribute.empty()) {
      ++at;  // a stray character: step over it
      continue;
    }
    if (SameName(LocalName(attribute), name) || SameName(attribute, name)) {
      std::string decoded;
      AppendDecoded(decoded, value);
      return decoded;
    }
  }
  return std::string();
}

void AppendDecoded(std::string& out, std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t amp = std::min(text.find('&', at), text.size());
    out.append(text.substr(at, amp - at));
    if (amp == text.size()) break;
    const size_t length = AppendReference(out, text, amp);
    if (length == 0) out += '&';  // shown as written
    at = amp + std::max<size_t>(length, 1);
  }
}

void BookWriter::Begin() {
  if (!inParagraph) {
    if (headingNext) {
      out += ">>";
      guardFrom = out.size() - 1;
    } else {
      guardFrom = out.size();
    }
    headingNext = false;
    inParagraph = true;
  } else if (pendingSpace) {
    out += ' ';
  }
  pendingSpace = false;
}

void BookWriter::Put(char c) {
  Begin();
  if (c == '>' && out.size() > guardFrom && out.back() == '>') out += kStopBreaker;
  out += c;
}

void BookWriter::Text(std::string_view decoded) {
  for (char c : decoded) {
    if (IsSpace(c))
      pendingSpace = true;
    else
      Put(c);
  }
}

void BookWriter::PreformattedText(std::string_view decoded) {
  for (char c : decoded) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\r\n";
      inParagraph = false;
      lineEnded = true;
      continue;
    }
    if (c == ' ' || c == '\t') {
      Begin();  // the indent of a line is kept
      out += c;
      continue;
    }
    Put(c);
  }
}

void BookWriter::Cell() {
  if (inParagraph) out += '\t';
  pendingSpace = false;
}

void BookWriter::EndParagraph() {
  if (inParagraph || lineEnded) out += inParagraph ? "\r\n\r\n" : "\r\n";
  inParagraph = lineEnded = pendingSpace = headingNext = false;
}

void BookWriter::StartHeading() {
  EndParagraph();
  headingNext = true;
}

void BookWriter::Title(std::string_view title) {
  BookWriter line;
  line.Text(title);
  out.assign(line.out.empty() ? std::string("Untitled") : line.out);
  out += "\r\n\r\n";
}

std::string BookWriter::Book() {
  EndParagraph();
  while (out.ends_with("\r\n")) out.resize(out.size() - 2);
  return std::move(out);
}

std::string ElementText(std::string_view markup, std::string_view name) {
  MarkupCursor cursor{markup};
  std::string_view text;
  MarkupTag tag;
  bool inside = false;
  std::string decoded;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token == MarkupToken::Tag && SameName(LocalName(tag.name), name)) {
      if (inside && tag.closing) break;
      inside = !tag.closing && !tag.selfClosing;
    } else if (inside && token == MarkupToken::Text) {
      AppendDecoded(decoded, text);
    } else if (inside && token == MarkupToken::RawText) {
      decoded.append(text);
    }
  }
  BookWriter line;
  line.Text(decoded);
  return line.out;
}

int HtmlToBook(std::string_view html, BookWriter& writer) {
  MarkupCursor cursor{html};
  HtmlState state;
  std::string_view text;
  MarkupTag tag;
  for (MarkupToken token; (token = NextMarkupToken(cursor, text, tag)) != MarkupToken::End;) {
    if (token == MarkupToken::Tag) {
      HtmlTag(tag, state, writer);
      continue;
    }
    if (!state.skipping.empty()) continue;
    state.decoded.clear();
    if (token == MarkupToken::Text)
      AppendDecoded(state.decoded, text);
    else
      state.decoded.assign(text);
    if (state.preformatted)
      writer.PreformattedText(state.decoded);
    else
      writer.Text(state.decoded);
  }
  writer.EndParagraph();
  return state.headings;
}

std::string DecodeMarkup(const std::string& bytes) { return DecodeBookText(bytes, DeclaredEncoding(bytes)); }

}  // namespace vt
