// Counting the display lines of every paragraph of the pane's text on worker threads, with the
// same font, text options and width as the pane's own layout, so that the counts are the rows
// the pane will show. The user-interface thread stays free while a long book is counted.
#pragma once
#include <QFont>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTextOption>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/qt/pane_storage.h"

namespace vt {

class LineCounter {
 public:
  LineCounter() = default;
  LineCounter(const LineCounter&) = delete;
  LineCounter& operator=(const LineCounter&) = delete;
  ~LineCounter();

  // Starts counting the paragraphs of text (separated by paragraph breaks), which lies
  // within `holder`, kept by the count while it runs; `done` is queued to `receiver`'s thread once
  // every count is ready. An earlier count is cancelled first.
  void Start(const QString& holder, QStringView text, const QFont& font, const QTextOption& option, qreal lineWidth,
             QObject* receiver, std::function<void()> done);

  // Cancels the count and waits for the workers.
  void Stop();

  // Waits for the workers; true when every paragraph was counted.
  bool Wait();

  // True when the count is complete, waiting at most `ms` milliseconds for it.
  bool WaitFor(int ms);

  // The display lines of each paragraph, in order (valid once Wait returned true).
  const std::vector<int>& Counts() const;

 private:
  struct Job;
  static void Work(const std::shared_ptr<Job>& job);
  std::shared_ptr<Job> job;
  std::vector<std::thread> workers;
};

}  // namespace vt
