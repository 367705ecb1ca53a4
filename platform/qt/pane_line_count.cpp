// The line counter: the text is cut into chunks of whole paragraphs, which the workers take one
// after the other (so a busy core slows the count down but never stalls it); each paragraph is
// laid out with its own QTextLayout exactly as the pane's document layout lays out a block.
#include "platform/qt/pane_line_count.h"

#include <QMetaObject>
#include <QStringView>
#include <QTextLayout>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vt {

struct LineCounter::Job {
  struct Chunk {
    qsizetype start, end;  // whole paragraphs: end is the '\n' after the last one, or the text's end
    size_t firstParagraph;
  };
  QString text;
  QString font;  // the font's description: each worker makes its own font from it
  QTextOption option;
  qreal lineWidth = 0;
  std::vector<Chunk> chunks;
  std::vector<int> counts;
  std::atomic<size_t> nextChunk{0};
  std::atomic<int> active{0};
  std::atomic<bool> cancel{false};
  std::atomic<bool> complete{false};
  QObject* receiver = nullptr;
  std::function<void()> done;
};

namespace {

int CountRows(const QString& paragraph, const QFont& font, const QTextOption& option, qreal lineWidth) {
  QTextLayout layout(paragraph, font);
  layout.setTextOption(option);
  layout.setCacheEnabled(false);
  layout.beginLayout();
  int rows = 0;
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLeadingIncluded(true);
    line.setLineWidth(lineWidth);
    ++rows;
  }
  layout.endLayout();
  return rows;
}

// Counters that may have workers running: the process stops them before it exits, while the
// fonts they use still exist.
std::mutex liveMutex;
std::set<LineCounter*>& LiveCounters() {
  static auto* live = new std::set<LineCounter*>;
  return *live;
}

void StopAllAtExit() {
  std::set<LineCounter*> live;
  {
    std::lock_guard<std::mutex> lock(liveMutex);
    live = LiveCounters();
  }
  for (LineCounter* counter : live) counter->Stop();
}

}  // namespace

LineCounter::~LineCounter() {
  Stop();
  std::lock_guard<std::mutex> lock(liveMutex);
  LiveCounters().erase(this);
}

void LineCounter::Start(const QString& text, const QFont& font, const QTextOption& option, qreal lineWidth,
                        QObject* receiver, std::function<void()> done) {
  Stop();
  {
    // The first count lays out a word here, so that whatever the text engine sets up once for the
    // whole process exists before the exit handler is registered, and is torn down after it.
    static const bool registered = CountRows(QStringLiteral("Warm up"), font, option, lineWidth) > 0 &&
                                   std::atexit(StopAllAtExit) == 0;
    (void)registered;
    std::lock_guard<std::mutex> lock(liveMutex);
    LiveCounters().insert(this);
  }
  job = std::make_shared<Job>();
  job->text = text;
  job->font = font.toString();
  job->option = option;
  job->lineWidth = lineWidth;
  job->receiver = receiver;
  job->done = std::move(done);

  const qsizetype length = text.size();
  const qsizetype chunkSize = std::max<qsizetype>(32 * 1024, length / 64);
  QStringView view(text);
  qsizetype start = 0;
  size_t paragraph = 0;
  for (;;) {
    qsizetype end = std::min(length, start + chunkSize);
    if (end < length) {
      qsizetype lineEnd = text.indexOf(u'\n', end);
      end = lineEnd < 0 ? length : lineEnd;
    }
    job->chunks.push_back({start, end, paragraph});
    paragraph += static_cast<size_t>(view.mid(start, end - start).count(u'\n')) + 1;
    if (end >= length) break;
    start = end + 1;
  }
  job->counts.assign(paragraph, 1);

  int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
  threads = std::min<int>(threads, static_cast<int>(job->chunks.size()));
  job->active = threads;
  for (int i = 0; i < threads; ++i) workers.emplace_back(Work, job);
}

void LineCounter::Work(const std::shared_ptr<Job>& job) {
  // Counting yields to the user-interface thread whenever both want the same core.
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
  // A font shared with another thread shares its cached engine data, which is not safe to use
  // from two threads at once: each worker builds a font of its own.
  QFont font;
  font.fromString(job->font);
  for (;;) {
    size_t c = job->nextChunk++;
    if (c >= job->chunks.size() || job->cancel) break;
    const Job::Chunk& chunk = job->chunks[c];
    size_t paragraph = chunk.firstParagraph;
    qsizetype pos = chunk.start;
    while (!job->cancel) {
      qsizetype end = job->text.indexOf(u'\n', pos);
      if (end < 0 || end > chunk.end) end = chunk.end;
      job->counts[paragraph++] = CountRows(job->text.mid(pos, end - pos), font, job->option, job->lineWidth);
      if (end >= chunk.end) break;
      pos = end + 1;
    }
  }
  if (--job->active == 0 && !job->cancel) {
    job->complete = true;
    QMetaObject::invokeMethod(job->receiver, job->done, Qt::QueuedConnection);
  }
}

void LineCounter::Stop() {
  if (job) job->cancel = true;
  for (std::thread& worker : workers) worker.join();
  workers.clear();
}

bool LineCounter::Wait() {
  for (std::thread& worker : workers) worker.join();
  workers.clear();
  return job && job->complete;
}

bool LineCounter::WaitFor(int ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (job && !job->complete && job->active > 0 && !job->cancel) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return job && job->complete;
}

const std::vector<int>& LineCounter::Counts() const {
  static const std::vector<int> none;
  return job ? job->counts : none;
}

}  // namespace vt
