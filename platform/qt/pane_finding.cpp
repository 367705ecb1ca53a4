// Finding in the reading pane's text, and its word breaks. A search reads the pane's plain text
// (a view of the document's characters) with its own case-insensitive scan; one that takes long
// runs on a worker, which the pane stops before its text changes or goes. Word breaks are the
// shared word rule over the same text; this file says only what kind each character is.
// State: the search under way and its worker (members of PaneView); the worker reads only the
// characters it was given, kept by a holder, and hands its answer back to the user-interface
// thread queued. Everything else runs on the user-interface thread.
#include "platform/pane.h"
#include "platform/text_search.h"
#include "platform/word_breaks.h"
#include "platform/qt/live_objects.h"
#include "platform/qt/pane_view.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace vt {

namespace {

// The word-break kind of a character, by Qt's Unicode tables; a line feed is white space.
CharKind KindOf(QChar c) {
  if (c == u'\n' || c.isSpace()) return CharKind::Space;
  if (c.isLetterOrNumber()) return CharKind::LetterOrDigit;
  return CharKind::Punctuation;
}

}  // namespace

// A search that takes long runs on a worker over the pane's text, which stays as it is meanwhile:
// every new text stops the search first. Its answer comes back to this thread queued.

struct PaneView::FindJob {
  QString holder;  // keeps the characters of `text`
  QStringView text;
  QString term;
  int from, to;
  bool down;
  std::atomic<bool> cancel{false}, finished{false};
  PaneFound found;
  std::function<void(PaneFound)> done;
};
bool PaneView::FindLater(std::shared_ptr<FindJob> job, int waitMs) {
  StopFinding(true);
  findJob = job;
  findWorker = std::thread([this, job] {
    job->found = FindIn(job->text, job->term, job->from, job->to, job->down, &job->cancel);
    job->finished = true;
    QMetaObject::invokeMethod(this, [this, job] { TakeFound(job); }, Qt::QueuedConnection);
  });
  QElapsedTimer waited;
  waited.start();
  while (!job->finished && waited.elapsed() < waitMs) QThread::msleep(1);
  if (!job->finished) return false;
  TakeFound(job);
  return true;
}

void PaneView::TakeFound(const std::shared_ptr<FindJob>& job) {
  if (job != findJob) return;  // stopped, or answered already
  findWorker.join();
  findJob.reset();
  if (job->done) job->done(job->found);
}

// Ends the search under way; `tell`: its caller hears that it stopped, once this returns.
void PaneView::StopFinding(bool tell) {
  if (!findJob) return;
  findJob->cancel = true;
  findWorker.join();
  auto job = std::exchange(findJob, nullptr);
  if (tell && job->done) QTimer::singleShot(0, this, [done = job->done] { done(PaneFound{-1, -1, true}); });
}

namespace {

// True when the text holds a character with another case (a letter of most scripts).
bool HasCase(QStringView text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.toLower() != c || c.toUpper() != c; });
}

// Finding a term without regard to case, as the control does: characters match when their case
// folds match. Qt's own search folds every character it passes (a second and more over a book of
// 200 MB); here the characters a match may start with are scanned for, many characters at a time,
// and a place that starts with one is compared whole. A term without letters of two cases (">>"
// of a chapter mark, "1984", a dash) is the same either way and has one such character.
class TermFinder {
 public:
  TermFinder(QStringView haystack, QStringView needle, const std::atomic<bool>* stop)
      : text(haystack), term(needle), cased(HasCase(needle)), cancel(stop) {
    QChar first = cased ? needle.front().toCaseFolded() : needle.front();
    starts.push_back(first);
    if (!cased) return;
    // The few characters that fold to the same as the first (k: K and the Kelvin sign), found once.
    for (char32_t u = 0; u < 0x10000; ++u)
      if (QChar(static_cast<char16_t>(u)).toCaseFolded() == first && u != first.unicode())
        starts.push_back(QChar(static_cast<char16_t>(u)));
  }

  // Each character a match may start with is scanned for on its own; the nearest place is tried.
  qsizetype Forward(qsizetype from) const {
    if (term.front().isSurrogate()) return text.indexOf(term, from, Qt::CaseInsensitive);  // rare: Qt's own way
    std::vector<qsizetype> next;
    for (QChar c : starts) next.push_back(text.indexOf(c, from));
    for (;;) {
      size_t nearest = 0;
      for (size_t i = 1; i < next.size(); ++i)
        if (next[i] >= 0 && (next[nearest] < 0 || next[i] < next[nearest])) nearest = i;
      const qsizetype at = next[nearest];
      if (at < 0 || at + term.size() > text.size() || Cancelled()) return -1;
      if (Matches(at)) return at;
      next[nearest] = text.indexOf(starts[nearest], at + 1);
    }
  }

  qsizetype Backward(qsizetype from) const {
    if (term.front().isSurrogate()) return text.lastIndexOf(term, from, Qt::CaseInsensitive);
    for (qsizetype at = std::min(from, text.size() - term.size()); at >= 0; --at) {
      if (std::find(starts.begin(), starts.end(), text[at]) != starts.end() && Matches(at)) return at;
      if (at % kCancelCheckEvery == 0 && Cancelled()) return -1;
    }
    return -1;
  }

 private:
  static constexpr qsizetype kCancelCheckEvery = 1 << 16;  // characters: a stop is heard within a millisecond or so

  bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

  bool Matches(qsizetype at) const {
    return text.sliced(at, term.size()).compare(term, cased ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
  }

  QStringView text, term;
  bool cased;
  std::vector<QChar> starts;  // every character a match may start with: the first folded, and its kin
  const std::atomic<bool>* cancel;  // set when the search is to stop
};

}  // namespace

PaneFound PaneView::FindIn(QStringView text, const QString& needle, int from, int to, bool down,
                           const std::atomic<bool>* cancel) {
  const int size = static_cast<int>(needle.size());
  const SearchSpan span = SpanOfSearch(static_cast<int>(text.size()), from, to, down);
  if (needle.isEmpty() || span.end - span.begin < size) return {};
  const TermFinder finder(text, needle, cancel);
  const qsizetype at = down ? finder.Forward(span.begin) : finder.Backward(span.end - size);
  if (at < span.begin || at + size > span.end) return {};
  return {static_cast<int>(at), static_cast<int>(at) + size, false};
}

int PaneFindText(PaneView* pane, const std::string& term, int from, int to, bool down, int& foundStart,
                 int& foundEnd) {
  foundStart = foundEnd = -1;
  if (!Live(pane) || term.empty()) return -1;
  const QString needle = QString::fromUtf8(term.data(), static_cast<qsizetype>(term.size()));
  const PaneFound found = PaneView::FindIn(pane->Text(), needle, from, to, down, nullptr);
  foundStart = found.start;
  foundEnd = found.end;
  return foundStart;
}

bool PaneFindTextLater(PaneView* pane, const std::string& term, int from, int to, bool down, int waitMs,
                       std::function<void(PaneFound)> done) {
  if (!Live(pane) || term.empty()) {
    if (done) done(PaneFound{});
    return true;
  }
  auto job = std::make_shared<PaneView::FindJob>();
  job->holder = pane->stored.Holder();
  job->text = pane->Text();
  job->term = QString::fromUtf8(term.data(), static_cast<qsizetype>(term.size()));
  job->from = from;
  job->to = to;
  job->down = down;
  job->done = std::move(done);
  return pane->FindLater(std::move(job), std::max(0, waitMs));
}

bool PaneFinding(PaneView* pane) { return Live(pane) && pane->findJob != nullptr; }

void PaneStopFinding(PaneView* pane) {
  if (Live(pane)) pane->StopFinding(true);
}

// --- word breaks ------------------------------------------------------------------------------

WordText WordsOfPane(PaneView* pane) {
  if (!Live(pane)) return WordText{0, nullptr};
  const QStringView text = pane->Text();
  return WordText{static_cast<int>(text.size()), [text](int i) { return KindOf(text.at(i)); }};
}

}  // namespace vt
