#include "cli/SerialThread.h"

#include <thread>

SerialThread::SerialThread() {
    std::thread([this] { Serve(); }).detach();
}

void SerialThread::Run(const std::function<void()>& task) {
    const std::lock_guard caller(m_Callers);
    std::unique_lock lock(m_Mutex);
    m_Task = &task;
    m_Done = false;
    m_Failure = nullptr;
    m_Changed.notify_all();
    m_Changed.wait(lock, [this] { return m_Done; });
    if (m_Failure) {
        std::rethrow_exception(m_Failure);
    }
}

void SerialThread::Serve() {
    std::unique_lock lock(m_Mutex);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_Task != nullptr; });
        const std::function<void()>* task = m_Task;
        m_Task = nullptr;
        lock.unlock();
        std::exception_ptr failure;
        try {
            (*task)();
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_Failure = failure;
        m_Done = true;
        m_Changed.notify_all();
    }
}
