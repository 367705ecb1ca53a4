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
    qsizetype start, end;  // whole paragraphs: end is the break after the last one, or the text's end
    std::vector<int> counts;  // the rows of each of its paragraphs, once counted
  };
  QString holder;    // keeps the characters of `text`
  QStringView text;
  QString font;  // the font's description: each worker makes its own font from it
  QTextOption option;
  qreal lineWidth = 0;
  std::vector<Chunk> chunks;
  std::vector<int> counts;  // every paragraph's rows, put together when the last chunk is done
  std::atomic<size_t> nextChunk{0};
  std::atomic<int> active{0};
  std::atomic<bool> cancel{false};
  std::atomic<bool> complete{false};
  QObject* receiver = nullptr;
  std::function<void()> done;
};

namespace {

// The next paragraph break at or after `from`, or the text's size.
qsizetype NextBreak(QStringView text, qsizetype from) {
  const QChar* c = text.data();
  for (qsizetype i = from; i < text.size(); ++i)
    if (IsParagraphBreak(c[i])) return i;
  return text.size();
}

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

void LineCounter::Start(const QString& holder, QStringView text, const QFont& font, const QTextOption& option,
                        qreal lineWidth, QObject* receiver, std::function<void()> done) {
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
  job->holder = holder;
  job->text = text;
  job->font = font.toString();
  job->option = option;
  job->lineWidth = lineWidth;
  job->receiver = receiver;
  job->done = std::move(done);

  // Only the chunks' ends are found here; the workers find the paragraphs, so a long text costs
  // the user-interface thread nothing.
  const qsizetype length = text.size();
  const qsizetype chunkSize = std::max<qsizetype>(32 * 1024, length / 64);
  for (qsizetype start = 0;;) {
    qsizetype end = std::min(length, start + chunkSize);
    if (end < length) end = NextBreak(text, end);
    job->chunks.push_back({start, end, {}});
    if (end >= length) break;
    start = end + 1;
  }

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
    Job::Chunk& chunk = job->chunks[c];
    qsizetype pos = chunk.start;
    while (!job->cancel) {
      qsizetype end = std::min(NextBreak(job->text, pos), chunk.end);
      chunk.counts.push_back(CountRows(job->text.mid(pos, end - pos).toString(), font, job->option, job->lineWidth));
      if (end >= chunk.end) break;
      pos = end + 1;
    }
  }
  if (--job->active == 0 && !job->cancel) {
    for (Job::Chunk& chunk : job->chunks) {
      job->counts.insert(job->counts.end(), chunk.counts.begin(), chunk.counts.end());
      std::vector<int>().swap(chunk.counts);
    }
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
