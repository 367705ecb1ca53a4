// The pane's storage (see pane_storage.h): filling the document block by block straight from
// UTF-8, viewing the document's own characters as the pane's text, the one walk that compares a
// text with the one held (and writes other letters in place), and reading the text back. Runs on
// the thread that owns the document; the letter tables are made once, on first use, by any thread.
#include "platform/qt/pane_storage.h"

#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtGui/private/qtextdocument_p.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <future>
#include <mutex>
#include <numeric>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

#include "platform/files.h"
#include "platform/pane_positions.h"

namespace vt {

namespace {

// Short paragraphs are grouped into blocks of at most this many characters, more in a longer text
// (see BlockCharacters).
constexpr qsizetype kFewestBlockCharacters = 2048, kMostBlockCharacters = 16384;
// Blocks of the document whose characters are compared with the buffer they are viewed in.
constexpr int kSampledBlocks = 64;
// A paragraph break as the walk over a text gives it: the line separator, which joins the
// paragraphs within a block, so that most pieces of a text shown are byte for byte its own.
constexpr char16_t kBreak = u'\u2028';

template <bool kUpper>
const char16_t* LetterTable() {
  static const std::vector<char16_t> table = [] {
    std::vector<char16_t> t(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c) {
      const char32_t mapped = kUpper ? QChar::toUpper(c) : QChar::toLower(c);
      t[c] = static_cast<char16_t>(mapped < 0x10000 && !QChar::isSurrogate(c) ? mapped : c);
    }
    return t;
  }();
  return table.data();
}

const char16_t* IdentityTable() {
  static const std::vector<char16_t> same = [] {
    std::vector<char16_t> t(0x10000);
    std::iota(t.begin(), t.end(), char16_t{0});
    return t;
  }();
  return same.data();
}

// The first screen lays out each block it shows in full, so blocks stay short (the Bible at its
// bookmark shows 10 ms sooner than with blocks of 16 kB); in a text of tens of megabytes they
// grow up to 16 kB, so that even the largest book has only some ten thousand blocks to set up.
qsizetype BlockCharacters(qsizetype textSize) {
  return std::clamp(textSize / 4096, kFewestBlockCharacters, kMostBlockCharacters);
}

// Calls `take` with the bytes of each paragraph of UTF-8 text, which ends at a paragraph break as
// the pane counts them (a frame mark too, which the document would take for one), until it
// returns false.
template <typename Take>
void ForEachParagraph(std::string_view utf8, Take take) {
  size_t start = 0;
  for (size_t i = 0; i < utf8.size();) {
    const size_t breakLength = ParagraphBreakLength(utf8, i);
    if (breakLength == 0) {
      ++i;
      continue;
    }
    if (!take(utf8.substr(start, i - start))) return;
    i += breakLength;
    start = i;
  }
  take(utf8.substr(start));
}

// The document's blocks of a text, each converted on its own and given to `take(block,
// paragraphs)` in order, until it returns false (see Fill).
template <typename Take>
void ForEachBlock(const std::string& utf8, const LetterMap& letters, Take take) {
  const qsizetype blockCharacters = BlockCharacters(static_cast<qsizetype>(utf8.size()));
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString block, paragraph;
  int paragraphs = 0;
  bool taken = true;
  ForEachParagraph(utf8, [&](std::string_view bytes) {
    paragraph.resize(decoder.requiredSpace(static_cast<qsizetype>(bytes.size())));
    paragraph.truncate(decoder.appendToBuffer(paragraph.data(), bytes) - paragraph.constData());
    if (letters.Active()) letters.MapUnits(paragraph.data(), paragraph.data() + paragraph.size());
    if (paragraphs > 0 && block.size() + 1 + paragraph.size() > blockCharacters) {
      taken = take(std::exchange(block, QString()), std::exchange(paragraphs, 0));
      block.reserve(blockCharacters);
    }
    if (paragraphs++ > 0) block += QChar::LineSeparator;
    block += paragraph;
    return taken;
  });
  if (taken) take(std::move(block), paragraphs);
}

// The blocks one thread makes and another puts into the document, a few at a time in between.
class BlockQueue {
 public:
  // False once the taker has gone: nothing more is wanted.
  bool Put(QString block, int paragraphs) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return blocks.size() < kMostWaiting || takerGone; });
    if (takerGone) return false;
    blocks.emplace_back(std::move(block), paragraphs);
    changed.notify_all();
    return true;
  }
  // False once the maker has finished and every block is taken.
  bool Take(QString& block, int& paragraphs) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !blocks.empty() || makerDone; });
    if (blocks.empty()) return false;
    std::tie(block, paragraphs) = std::move(blocks.front());
    blocks.pop_front();
    changed.notify_all();
    return true;
  }
  void MakerDone() { Mark(makerDone); }
  void TakerGone() { Mark(takerGone); }

 private:
  static constexpr size_t kMostWaiting = 64;
  void Mark(bool& flag) {
    std::lock_guard<std::mutex> lock(mutex);
    flag = true;
    changed.notify_all();
  }
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<QString, int>> blocks;
  bool makerDone = false, takerGone = false;
};

// `work` started on a thread of its own; no future at all (not valid) when no thread is to be had,
// and the caller does the work on its own thread instead.
template <typename Work>
auto OnAThreadOfItsOwn(Work work) -> std::future<decltype(work())> {
  try {
    return std::async(std::launch::async, std::move(work));
  } catch (const std::system_error&) {
    return {};
  }
}

// Runs `at` when the scope ends, by any way.
template <typename At>
struct AtEnd {
  At at;
  ~AtEnd() { at(); }
};
template <typename At>
AtEnd(At) -> AtEnd<At>;

// Texts from this size on are converted on a second thread while the first puts the blocks into
// the document: each takes about half of the time alone (200 MB of random letters: 1.8 s
// converting, 1.5 s putting in).
constexpr size_t kTwoThreadsBytes = 4 << 20;

// Every block of the text to `insert`, in order: made on this thread, or for a large text on a
// helper while this one inserts. What either throws ends both and is thrown here.
template <typename Insert>
void ForEachBlockAtOnce(const std::string& utf8, const LetterMap& letters, Insert insert) {
  const auto onThisThread = [&] {
    ForEachBlock(utf8, letters, [&](QString block, int paragraphs) {
      insert(block, paragraphs);
      return true;
    });
  };
  if (utf8.size() < kTwoThreadsBytes) return onThisThread();
  BlockQueue queue;
  std::future<void> maker = OnAThreadOfItsOwn([&] {
    AtEnd done{[&] { queue.MakerDone(); }};
    ForEachBlock(utf8, letters, [&](QString block, int paragraphs) { return queue.Put(std::move(block), paragraphs); });
  });
  if (!maker.valid()) return onThisThread();
  {
    AtEnd gone{[&] { queue.TakerGone(); }};
    QString block;
    int paragraphs = 0;
    while (queue.Take(block, paragraphs)) insert(block, paragraphs);
  }
  maker.get();
}

// The one walk over a UTF-8 text as the pane holds it, a piece of a few thousand UTF-16 units at a
// time: `take(units, n)` gets each piece in its letters, every paragraph break as one kBreak, and
// returns false to stop. False when it stopped, or at the first bytes that are not well-formed
// UTF-8. Printable ASCII and two-byte characters, nearly all of any text, are told apart without a
// jump, so that even a text of random letters is walked at a few cycles a character (a jump each
// took seconds on 200 MB).
//
// Bytes [begin, end) are walked; both are first bytes of characters, and never split a CR LF.
template <typename Take>
bool ForEachPiece(const std::string& utf8, size_t begin, size_t end, const LetterMap& letters, Take take) {
  constexpr qsizetype kPieceUnits = 4096;  // on the stack, and small enough to stay in the cache
  char16_t piece[kPieceUnits + 2];         // a character may take two units
  const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.c_str());  // ends in a NUL: bytes[i + 1] may be read
  const char16_t* const map = letters.Units();
  const size_t size = end;
  for (size_t i = begin; i < size;) {
    qsizetype n = 0;
    while (n < kPieceUnits && i < size) {
      uint64_t word;  // eight printable ASCII bytes at a time: most of a book in Latin letters
      if (n + 8 <= kPieceUnits && i + 8 <= size &&
          (std::memcpy(&word, bytes + i, 8), ((word | (word - 0x2020202020202020ull)) & 0x8080808080808080ull) == 0)) {
        for (int k = 0; k < 8; ++k) piece[n + k] = map[bytes[i + k]];
        n += 8;
        i += 8;
        continue;
      }
      const unsigned lead = bytes[i], next = bytes[i + 1];
      const unsigned pair = static_cast<unsigned>(lead - 0xC2u < 0x1Eu) & static_cast<unsigned>((next & 0xC0u) == 0x80u);
      const unsigned ascii = lead - 0x20u < 0x60u;
      if (ascii + pair != 0) {  // never both; a sum, which the compiler does not split into two jumps
        const unsigned pairMask = 0u - pair;  // all ones for a two-byte character: chosen by masks, not a jump
        piece[n++] = map[(lead & ~pairMask) | (((lead & 0x1Fu) << 6 | (next & 0x3Fu)) & pairMask)];
        i += 1 + pair;
        continue;
      }
      if (const size_t breakLength = ParagraphBreakLength(utf8, i)) {
        piece[n++] = kBreak;
        i += breakLength;
        continue;
      }
      const size_t length = Utf8SequenceLength(utf8, i);
      if (length == 0) return false;
      const char32_t code = letters(DecodeUtf8(utf8, i, length));
      i += length;
      if (code >= 0x10000) {
        piece[n++] = QChar::highSurrogate(code);
        piece[n++] = QChar::lowSurrogate(code);
      } else {
        piece[n++] = static_cast<char16_t>(code);
      }
    }
    if (!take(piece, n)) return false;
  }
  return true;
}

// Eight UTF-16 units at once, in one vector register where the processor has them (GCC's and
// Clang's vector types; elsewhere the compiler splits them up).
using Units8 = std::uint16_t __attribute__((vector_size(16)));

// A unit in all eight places (written out: Clang takes a scalar beside a vector less well than GCC).
constexpr Units8 Splat(std::uint16_t unit) { return Units8{unit, unit, unit, unit, unit, unit, unit, unit}; }

// Compares eight units of a text with eight held, and with kWrite writes the new letters over
// them: every character in the place of one of the same kind (a break where a break was), a break
// never written nor written over. `moved` gets bits where a break meets a letter, `differ` where
// the letters differ. Masks instead of jumps, so a text of random letters costs no more.
template <bool kWrite>
void MatchUnits(char16_t* shown, const char16_t* units, Units8& moved, Units8& differ) {
  Units8 was, now;
  std::memcpy(&was, shown, sizeof was);
  std::memcpy(&now, units, sizeof now);
  const Units8 breakUnit = Splat(kBreak), sinceBreak = was - breakUnit;
  const Units8 shownBreak = (Units8)(sinceBreak < Splat(2)), newBreak = (Units8)(now == breakUnit);
  moved |= shownBreak ^ newBreak;
  differ |= ((was & ~shownBreak) | (breakUnit & shownBreak)) ^ now;
  if constexpr (kWrite) {
    const Units8 keep = shownBreak | newBreak;
    const Units8 written = (was & keep) | (now & ~keep);
    std::memcpy(shown, &written, sizeof written);
  }
}

// Compares a text's pieces with the characters held (see MatchUnits). True while the shape holds
// (and, without kWrite, the letters); `sameLetters` false once a letter differs.
template <bool kWrite>
bool MatchPieces(char16_t* held, qsizetype size, const std::string& utf8, size_t begin, size_t end,
                 const LetterMap& letters, qsizetype& at, bool& sameLetters) {
  return ForEachPiece(utf8, begin, end, letters, [&](const char16_t* units, qsizetype n) {
    if (n > size - at) return false;
    char16_t* shown = held + at;
    at += n;
    if (std::memcmp(shown, units, static_cast<size_t>(n) * sizeof(char16_t)) == 0) return true;
    Units8 moved = {}, differ = {};
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) MatchUnits<kWrite>(shown + k, units + k, moved, differ);
    if (k < n) {  // the last few, through a copy of eight
      char16_t lastShown[8] = {}, lastUnits[8] = {};
      std::memcpy(lastShown, shown + k, static_cast<size_t>(n - k) * sizeof(char16_t));
      std::memcpy(lastUnits, units + k, static_cast<size_t>(n - k) * sizeof(char16_t));
      MatchUnits<kWrite>(lastShown, lastUnits, moved, differ);
      if constexpr (kWrite) std::memcpy(shown + k, lastShown, static_cast<size_t>(n - k) * sizeof(char16_t));
    }
    const auto any = [](const Units8& v) {
      std::uint64_t halves[2];
      std::memcpy(halves, &v, sizeof halves);
      return (halves[0] | halves[1]) != 0;
    };
    sameLetters = sameLetters && !any(differ);
    return !any(moved) && (kWrite || !any(differ));
  });
}

// A place near the middle of the text where a character starts, not inside a CR LF.
size_t MiddleCharacterStart(const std::string& utf8) {
  size_t at = utf8.size() / 2;
  while (at < utf8.size() && ((static_cast<unsigned char>(utf8[at]) & 0xC0u) == 0x80u || (utf8[at] == '\n' && utf8[at - 1] == '\r')))
    ++at;
  return at;
}

// Texts from this size on are compared in two halves at once: a second core halves the wait of a
// letter case changed on a book of hundreds of megabytes.
constexpr size_t kTwoHalvesBytes = 8 << 20;

// MatchPieces over the whole text, its second half on another thread where the text is large:
// that thread first counts the units the first half takes, to know where its own begin (the count
// serves only when the first half is walked to its end, so is well-formed).
template <bool kWrite>
bool MatchText(char16_t* held, qsizetype size, const std::string& utf8, const LetterMap& letters, qsizetype& at,
               bool& sameLetters) {
  if (utf8.size() < kTwoHalvesBytes) return MatchPieces<kWrite>(held, size, utf8, 0, utf8.size(), letters, at, sameLetters);
  const size_t middle = MiddleCharacterStart(utf8);
  qsizetype secondBegins = 0, secondAt = 0;
  bool secondLetters = true;
  std::future<bool> second = OnAThreadOfItsOwn([&] {
    secondAt = secondBegins = PanePositionsOfWellFormed(std::string_view(utf8).substr(0, middle));
    return MatchPieces<kWrite>(held, size, utf8, middle, utf8.size(), letters, secondAt, secondLetters);
  });
  if (!second.valid()) return MatchPieces<kWrite>(held, size, utf8, 0, utf8.size(), letters, at, sameLetters);
  const bool firstShape = MatchPieces<kWrite>(held, size, utf8, 0, middle, letters, at, sameLetters);
  const bool secondShape = second.get();
  const bool shape = firstShape && secondShape && at == secondBegins;
  at = secondAt;
  sameLetters = sameLetters && secondLetters;
  return shape;
}

std::string CrLfTextOfUtf8(const QByteArray& utf8) {
  std::string out;
  out.reserve(static_cast<size_t>(utf8.size()) + static_cast<size_t>(utf8.size()) / 16);
  for (char c : utf8) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

LetterMap::LetterMap(PaneLetters letters) : upper(letters == PaneLetters::Capitals) {
  if (letters != PaneLetters::AsWritten) table = upper ? LetterTable<true>() : LetterTable<false>();
}

const char16_t* LetterMap::Units() const { return table ? table : IdentityTable(); }

char32_t LetterMap::operator()(char32_t code) const {
  if (!table) return code;
  if (code < 0x10000) return table[code];
  const char32_t mapped = upper ? QChar::toUpper(code) : QChar::toLower(code);
  return mapped >= 0x10000 ? mapped : code;
}

void LetterMap::MapUnits(QChar* begin, QChar* end) const {
  for (QChar* c = begin; c < end; ++c) {
    if (!c->isHighSurrogate() || c + 1 == end || !c[1].isLowSurrogate()) {
      *c = QChar(table[c->unicode()]);
      continue;
    }
    const char32_t mapped = (*this)(QChar::surrogateToUcs4(c[0], c[1]));
    c[0] = QChar(QChar::highSurrogate(mapped));
    c[1] = QChar(QChar::lowSurrogate(mapped));
    ++c;
  }
}

// Block by block, each converted on its own, so no converted copy of the whole text is ever made:
// a book of hundreds of megabytes is held in UTF-16 once, by the document. The widget's cost is
// per block (a book of millions of short lines took seconds to show and hundreds of bytes a line),
// so short paragraphs are grouped into blocks of up to BlockCharacters, joined by line separators;
// rows and positions are the same as with a block each.
void PaneStorage::Fill(QTextDocument* document, const std::string& utf8, const LetterMap& letters) {
  Clear();
  QTextCursor end(document);
  end.beginEditBlock();
  ForEachBlockAtOnce(utf8, letters, [&](const QString& block, int paragraphs) {
    if (!blockParagraphs.empty()) end.insertBlock();
    end.insertText(block);
    blockParagraphs.push_back(paragraphs);
  });
  end.endEditBlock();
  ViewDocumentCharacters(document);
}

// The one place the pane reaches into Qt's private text buffer, through the private header of the
// Qt the program is built with. It relies on what Qt 6 does: the document appends each block's
// characters, then the block's separator, to one buffer after its first block's separator, so the
// pane's text is that buffer from its second character on, with paragraph separators between
// blocks; and a read-only document never writes to that buffer. The characters are shared, not
// copied, so a book is held once; Match writes other letters straight into them. Should a Qt keep
// its buffer otherwise, the sampled blocks (their text as the public interface gives it) differ from
// the places they would have in it, and the pane keeps a copy of the document's text instead, into
// which nothing is ever written: a text in other letters is then built anew.
void PaneStorage::ViewDocumentCharacters(const QTextDocument* document) {
  const qsizetype n = document->characterCount() - 1;
  QString buffer = QTextDocumentPrivate::get(document)->buffer();
  bool same = buffer.size() > n;
  const int lastBlock = document->blockCount() - 1;
  for (int sample = 0; same && sample <= kSampledBlocks; ++sample) {
    const QTextBlock block = document->findBlockByNumber(static_cast<int>(int64_t{lastBlock} * sample / kSampledBlocks));
    const QString characters = block.text();
    const QStringView shared = QStringView(buffer).mid(1 + block.position(), characters.size() + 1);
    same = shared.startsWith(characters) &&
           (block.blockNumber() == lastBlock || shared.endsWith(QChar::ParagraphSeparator));
  }
  holder = same ? std::move(buffer) : document->toRawText();
  text = QStringView(holder).mid(same ? 1 : 0, n);
}

// The document's buffer starts with its first block's separator: a text that views it starts
// one character in, a copy of its own at its start.
bool PaneStorage::SharesDocument() const { return !text.isEmpty() && text.data() == holder.constData() + 1; }

TextFit PaneStorage::Match(QTextDocument* document, const std::string& utf8, const LetterMap& letters, bool mayWrite) {
  if (text.isEmpty()) return TextFit::Differs;
  auto* held = const_cast<char16_t*>(text.utf16());  // written only where it is the document's own buffer
  qsizetype at = 0;
  bool sameLetters = true;
  const bool write = mayWrite && SharesDocument();
  const bool sameShape = write ? MatchText<true>(held, text.size(), utf8, letters, at, sameLetters)
                               : MatchText<false>(held, text.size(), utf8, letters, at, sameLetters);
  if (!sameShape || at != text.size()) return TextFit::Differs;
  if (sameLetters) return TextFit::Same;
  document->markContentsDirty(0, static_cast<int>(text.size()));
  return TextFit::Relettered;
}

// Made afresh on each request: the few commands that read the text back do not justify keeping a
// second copy of the book.
std::string PaneStorage::CrLfText() const {
  const auto breaks = std::count_if(text.begin(), text.end(), IsParagraphBreak);
  std::string out;
  ReserveLargeText(out, static_cast<size_t>(text.size() + breaks));
  out.resize(static_cast<size_t>(text.size() + breaks));
  char* to = out.data();
  for (QChar c : text) {
    char16_t unit = c.unicode();
    if (IsParagraphBreak(c)) {
      *to++ = '\r';
      unit = u'\n';
    } else if (unit >= 0x80) {
      QString copy = text.toString();
      for (QChar& b : copy)
        if (IsParagraphBreak(b)) b = u'\n';
      return CrLfTextOfUtf8(copy.toUtf8());
    }
    *to++ = static_cast<char>(unit);
  }
  return out;
}

}  // namespace vt
