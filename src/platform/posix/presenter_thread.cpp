#include "platform/posix/presenter_thread.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <utility>

namespace r7n {

PresenterThread::PresenterThread(Draw draw, Repaint repaint, const int* block_signals,
                                 int signal_count)
    : draw_(std::move(draw)), repaint_(std::move(repaint)) {
  // The new thread inherits the mask in force when it is made.
  sigset_t blocked, previous;
  ::sigemptyset(&blocked);
  for (int i = 0; i < signal_count; ++i) ::sigaddset(&blocked, block_signals[i]);
  ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
  thread_ = std::thread([this] { Loop(); });
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

PresenterThread::~PresenterThread() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

void PresenterThread::Post(const ScreenImage& image) {
  {
    std::lock_guard lock(mutex_);
    pending_ = image;
  }
  wake_.notify_one();
}

void PresenterThread::RequestRepaint() {
  {
    std::lock_guard lock(mutex_);
    repaint_pending_ = true;
  }
  wake_.notify_one();
}

void PresenterThread::Run(const std::function<void()>& task) {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return task_ == nullptr; });
  task_ = &task;
  wake_.notify_one();
  done_.wait(lock, [this] { return task_ == nullptr && !busy_ && !pending_ && !repaint_pending_; });
}

void PresenterThread::Idle() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return task_ == nullptr && !busy_ && !pending_ && !repaint_pending_; });
}

void PresenterThread::Loop() {
  // Drawing yields to the reading loop when both want the processor: a late
  // picture costs nothing, a late read costs bytes.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kDrawingNice);
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || repaint_pending_ || pending_ || task_ != nullptr; });
    if (repaint_pending_) {
      repaint_pending_ = false;
      busy_ = true;
      lock.unlock();
      repaint_();
      lock.lock();
      busy_ = false;
    } else if (pending_) {
      ScreenImage image = std::move(*pending_);
      pending_.reset();
      busy_ = true;
      lock.unlock();
      draw_(image);
      lock.lock();
      busy_ = false;
    } else if (task_ != nullptr) {
      busy_ = true;
      lock.unlock();
      (*task_)();
      lock.lock();
      busy_ = false;
      task_ = nullptr;
    } else {
      return;  // stopped, and nothing is left to draw
    }
    done_.notify_all();
  }
}

}  // namespace r7n
