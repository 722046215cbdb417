// A thread of its own for the work, so that its stack is the size asked for (see OwnStack.h).
#include "common/OwnStack.h"

#ifdef __EMSCRIPTEN__

// WebAssembly without threads, which a page could only have when served with cross-origin
// isolation: the work runs on the module's stack, sized for the nesting bound by its build.
int runOnOwnStack(std::size_t, const std::function<int()>& body) { return body(); }

#else

#include <pthread.h>

#include <exception>
#include <new>

namespace {

struct Work {
    const std::function<int()>& body;
    int result = 0;
    std::exception_ptr error;
};

extern "C" void* runWork(void* argument) {
    auto* work = static_cast<Work*>(argument);
    try {
        work->result = work->body();
    } catch (...) {
        work->error = std::current_exception();
    }
    return nullptr;
}

}  // namespace

int runOnOwnStack(std::size_t stackBytes, const std::function<int()>& body) {
    Work work{body, 0, nullptr};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) throw std::bad_alloc();
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, runWork, &work) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) throw std::bad_alloc();
    pthread_join(thread, nullptr);
    if (work.error) std::rethrow_exception(work.error);
    return work.result;
}

#endif
