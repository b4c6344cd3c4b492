#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

// Runs tasks one at a time on a thread of its own, which lives until the process ends. Qt keeps
// per-thread data for every thread that uses it and frees some of it again only when the process
// exits; a worker that used Qt and then ended would leave that data behind, freed, for those exit
// handlers. Made once and never destroyed, so its thread outlives them.
class SerialThread {
  public:
    SerialThread();
    SerialThread(const SerialThread&) = delete;
    SerialThread& operator=(const SerialThread&) = delete;

    // Runs task on the thread and returns when it is done; what it throws is thrown here.
    void Run(const std::function<void()>& task);

  private:
    void Serve();

    std::mutex m_Callers;
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    const std::function<void()>* m_Task = nullptr;
    bool m_Done = false;
    std::exception_ptr m_Failure;
};
