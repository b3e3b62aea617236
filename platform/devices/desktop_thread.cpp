#include "platform/devices/desktop_thread.h"

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct DesktopThread {
    std::mutex mutex;
    std::condition_variable cv;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    GCancellable* cancellable = nullptr;
    std::thread thread;
    bool running = false;
    bool ended = false;  // the thread left its loop
    unsigned long posted = 0;
    unsigned long done = 0;
};

// Never destroyed: a job stuck in a library call may still finish while the process ends.
DesktopThread& State() {
    static DesktopThread* state = new DesktopThread;
    return *state;
}

struct Job {
    std::function<void()> run;
};

gboolean RunJob(gpointer data) {
    std::unique_ptr<Job> job(static_cast<Job*>(data));
    job->run();
    DesktopThread& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        ++s.done;
    }
    s.cv.notify_all();
    return G_SOURCE_REMOVE;
}

void ThreadMain(GMainContext* context, GMainLoop* loop) {
    pthread_setname_np(pthread_self(), "desktop");
    g_main_context_push_thread_default(context);
    g_main_loop_run(loop);
    // Sources that were still queued: run what is left so that nothing is leaked, each bus call
    // failing at once on the cancelled token.
    while (g_main_context_iteration(context, FALSE)) {
    }
    g_main_context_pop_thread_default(context);
    DesktopThread& s = State();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.ended = true;
    }
    s.cv.notify_all();
}

void StartLocked(DesktopThread& s) {
    if (s.running) return;
    s.context = g_main_context_new();
    s.loop = g_main_loop_new(s.context, FALSE);
    s.cancellable = g_cancellable_new();
    s.ended = false;
    s.running = true;
    s.thread = std::thread(ThreadMain, s.context, s.loop);
}

}  // namespace

void MvDesktopPost(std::function<void()> job) {
    DesktopThread& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    StartLocked(s);
    ++s.posted;
    // Always queued, also from a job on the desktop thread itself.
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, RunJob, new Job{std::move(job)}, nullptr);
    g_source_attach(source, s.context);
    g_source_unref(source);
}

bool MvDesktopDrain(int timeoutMs) {
    DesktopThread& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.running) return true;
    const unsigned long target = s.posted;
    return s.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return s.done >= target || s.ended; });
}

GMainContext* MvDesktopContext() {
    DesktopThread& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    StartLocked(s);
    return s.context;
}

GCancellable* MvDesktopCancellable() {
    DesktopThread& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    StartLocked(s);
    return s.cancellable;
}

void MvDesktopShutdown(int graceMs) {
    MvDesktopDrain(graceMs);
    DesktopThread& s = State();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.running) return;
    g_cancellable_cancel(s.cancellable);
    g_main_loop_quit(s.loop);
    g_main_context_wakeup(s.context);
    // A library call that ignores the token would hold the end forever: give up on the thread
    // after a second and let the process end without it.
    const bool ended = s.cv.wait_for(lock, std::chrono::seconds(1), [&] { return s.ended; });
    std::thread thread = std::move(s.thread);
    GMainLoop* loop = s.loop;
    GMainContext* context = s.context;
    GCancellable* cancellable = s.cancellable;
    s.loop = nullptr;
    s.context = nullptr;
    s.cancellable = nullptr;
    s.running = false;
    s.posted = s.done = 0;
    lock.unlock();
    if (!ended) {
        thread.detach();
        return;
    }
    thread.join();
    g_main_loop_unref(loop);
    g_main_context_unref(context);
    g_object_unref(cancellable);
}
