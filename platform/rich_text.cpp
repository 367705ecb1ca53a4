// The rich-text reader. It keeps a stack of group states (letter spacing, whether the group is a
// destination whose text is not shown, the \uc skip count) and walks the input once, so any input,
// however deep its groups or long its numbers, is read in linear time without recursion.
#include "platform/rich_text.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/files.h"

namespace vt {

namespace {

struct GroupState {
  int spacingTwips = 0;
  bool hidden = false;  // a destination such as a font table: its text is not part of the document
  int unicodeSkip = 1;  // characters that stand in for a \u character
};

// Destinations whose content is data, not text.
const char* const kHiddenDestinations[] = {
    "fonttbl", "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
    "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "fldinst",
    "themedata", "colorschememapping", "datastore", "latentstyles", "listtable", "listoverridetable",
    "rsidtbl", "generator", "xmlnstbl", "filetbl", "revtbl", "bkmkstart", "bkmkend", "pn", "listtext"};

bool IsHiddenDestination(const std::string& word) {
  for (const char* name : kHiddenDestinations)
    if (word == name) return true;
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class Reader {
 public:
  explicit Reader(const std::string& input) : in(input) {}

  RichText Run() {
    out.reserve(in.size());  // the text is hardly shorter than the rich text of a book
    while (pos < in.size()) {
      char c = in[pos++];
      if (c == '{') {
        groups.push_back(groups.back());
      } else if (c == '}') {
        if (groups.size() > 1) groups.pop_back();
      } else if (c == '\\') {
        ControlSequence();
      } else if (c == '\r' || c == '\n') {
        // line ends of the rich text itself are not part of the text
      } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
        // other control bytes are dropped
      } else {
        --pos;
        TextRun();
      }
    }
    FlushBytes();
    return RichText{out, sawCharacter ? firstSpacing : 0};
  }

 private:
  GroupState& Current() { return groups.back(); }

  // Marks that a character is about to be shown, remembering the spacing it carries.
  bool Showing() {
    if (Current().hidden) return false;
    if (pendingSkip > 0) {
      --pendingSkip;
      return false;
    }
    if (!sawCharacter) {
      sawCharacter = true;
      firstSpacing = Current().spacingTwips;
    }
    return true;
  }

  void TextByte(char c) {
    if (Showing()) bytes += c;
  }

  static bool IsLiteral(char c) {
    return c != '{' && c != '}' && c != '\\' && c != '\r' && c != '\n' && (static_cast<unsigned char>(c) >= 0x20 || c == '\t');
  }

  // A run of literal bytes from pos: a book's text is almost all of it, so it is taken at once.
  void TextRun() {
    size_t end = pos;
    bool ascii = true;
    for (; end < in.size() && IsLiteral(in[end]); ++end) ascii &= static_cast<unsigned char>(in[end]) < 0x80;
    if (Current().hidden) {
      pos = end;
    } else if (pendingSkip > 0) {
      TextByte(in[pos++]);  // stands in for the \u character before it
    } else {
      Showing();
      if (ascii && bytes.empty())
        out.append(in, pos, end - pos);  // nothing to convert
      else
        bytes.append(in, pos, end - pos);
      pos = end;
    }
  }

  void Emit(const std::string& utf8) {
    FlushBytes();
    out += utf8;
  }

  // Literal bytes are UTF-8 where valid and single-byte otherwise; they are converted run by run.
  void FlushBytes() {
    if (bytes.empty()) return;
    out += BytesToUtf8(bytes);
    bytes.clear();
  }

  void ControlSequence() {
    if (pos >= in.size()) return;
    char c = in[pos];
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      ControlWord();
      return;
    }
    ++pos;
    switch (c) {
      case '\\': case '{': case '}':
        TextByte(c);
        break;
      case '\'': {
        int high = pos < in.size() ? HexValue(in[pos]) : -1;
        int low = pos + 1 < in.size() ? HexValue(in[pos + 1]) : -1;
        if (high < 0 || low < 0) break;
        pos += 2;
        if (Showing()) Emit(BytesToUtf8(std::string(1, static_cast<char>(high * 16 + low))));
        break;
      }
      case '*':
        Current().hidden = true;
        break;
      case '~':
        if (Showing()) Emit("\xC2\xA0");
        break;
      case '_':
        if (Showing()) Emit("-");
        break;
      case '\r': case '\n':
        if (Showing()) Emit("\n");
        break;
      default:
        break;  // \- (optional hyphen) and unknown symbols show nothing
    }
  }

  void ControlWord() {
    std::string word;
    while (pos < in.size() && ((in[pos] >= 'a' && in[pos] <= 'z') || (in[pos] >= 'A' && in[pos] <= 'Z'))) {
      if (word.size() < 32) word += in[pos];
      ++pos;
    }
    bool hasNumber = false;
    bool negative = false;
    int64_t number = 0;
    if (pos < in.size() && in[pos] == '-' && pos + 1 < in.size() && in[pos + 1] >= '0' && in[pos + 1] <= '9') {
      negative = true;
      ++pos;
    }
    while (pos < in.size() && in[pos] >= '0' && in[pos] <= '9') {
      hasNumber = true;
      if (number < 100000000000LL) number = number * 10 + (in[pos] - '0');
      ++pos;
    }
    if (pos < in.size() && in[pos] == ' ') ++pos;  // the delimiting blank belongs to the word
    if (negative) number = -number;
    int value = static_cast<int>(number > INT32_MAX ? INT32_MAX : number < INT32_MIN ? INT32_MIN : number);
    Apply(word, hasNumber, value);
  }

  void Apply(const std::string& word, bool hasNumber, int value) {
    if (word == "par" || word == "line" || word == "sect" || word == "page") {
      if (Showing()) Emit("\n");
    } else if (word == "tab") {
      if (Showing()) Emit("\t");
    } else if (word == "expndtw") {
      Current().spacingTwips = hasNumber ? value : 0;
    } else if (word == "expnd") {
      int64_t twips = static_cast<int64_t>(hasNumber ? value : 0) * 5;  // quarter points
      Current().spacingTwips = static_cast<int>(twips > INT32_MAX ? INT32_MAX : twips < INT32_MIN ? INT32_MIN : twips);
    } else if (word == "uc") {
      Current().unicodeSkip = hasNumber && value >= 0 ? (value > 16 ? 16 : value) : 1;
    } else if (word == "u" && hasNumber) {
      int cp = value < 0 ? value + 65536 : value;
      if (Showing()) {
        std::string utf8;
        AppendUtf8(utf8, static_cast<uint32_t>(cp < 0 || cp > 0xFFFF ? 0xFFFD : cp));
        Emit(utf8);
      }
      pendingSkip = Current().unicodeSkip;
    } else if (IsHiddenDestination(word)) {
      Current().hidden = true;
    }
    // every other control word (\rtf1, \ansi, \f0, \fs24 ...) changes nothing we show
  }

  const std::string& in;
  size_t pos = 0;
  std::vector<GroupState> groups{GroupState{}};
  std::string out;
  std::string bytes;
  int pendingSkip = 0;
  bool sawCharacter = false;
  int firstSpacing = 0;
};

}  // namespace

RichText ReadRichText(const std::string& rtf) { return Reader(rtf).Run(); }

void AppendEscapedRichText(std::string& out, std::string_view text) {
  for (size_t from = 0; from < text.size();) {
    size_t reserved = from;
    while (reserved < text.size() && text[reserved] != '\\' && text[reserved] != '{' && text[reserved] != '}') ++reserved;
    out.append(text, from, reserved - from);
    if (reserved == text.size()) break;
    out += '\\';
    out += text[reserved];
    from = reserved + 1;
  }
}

}  // namespace vt
