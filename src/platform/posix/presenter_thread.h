#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/screen_image.h"

namespace r7n {

// Draws screen images on a thread of its own. A terminal, or the terminal
// multiplexer it runs in, can take milliseconds to take a screenful, and the
// program's reading loop must not stop that long: at 921,600 bit/s a 128-byte
// receive FIFO fills in 1.4 ms. Posting an image never waits for the drawing;
// an image not drawn yet is replaced by a newer one, since only the newest
// matters. Everything else that touches the terminal goes through Run or
// happens while the thread is idle (after Idle), so that the terminal
// library is only ever used by one thread at a time.
class PresenterThread {
 public:
  using Draw = std::function<void(const ScreenImage&)>;
  using Repaint = std::function<void()>;

  // The thread takes none of the signals in block_signals: a signal that
  // ends the program is handled on the program's own thread. repaint draws
  // the whole screen again, when asked to by RequestRepaint.
  PresenterThread(Draw draw, Repaint repaint, const int* block_signals, int signal_count);
  // Draws what was posted last, then ends the thread.
  ~PresenterThread();
  PresenterThread(const PresenterThread&) = delete;
  PresenterThread& operator=(const PresenterThread&) = delete;

  void Post(const ScreenImage& image);
  // Has the whole screen drawn again before anything posted after it (the
  // window changed size); returns at once.
  void RequestRepaint();
  // Runs task on the drawing thread after what was posted, and waits for it.
  void Run(const std::function<void()>& task);
  // Returns once everything posted has been drawn.
  void Idle();

 private:
  static constexpr int kDrawingNice = 10;

  void Loop();

  Draw draw_;
  Repaint repaint_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  std::optional<ScreenImage> pending_;
  bool repaint_pending_ = false;
  const std::function<void()>* task_ = nullptr;
  bool busy_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace r7n
