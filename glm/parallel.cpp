// A few worker threads sharing one counter of tasks; POSIX threads, so a thread that cannot be
// started is a return value rather than an exception.
#include "glm/parallel.h"

#include <atomic>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr unsigned MAX_THREADS = 16;

struct TaskQueue {
  std::atomic<unsigned> next;
  unsigned tasks;
  void (*work)(void* context, unsigned task);
  void* context;
};

void* runQueue(void* argument) {
  TaskQueue* queue = static_cast<TaskQueue*>(argument);
  for (unsigned task; (task = queue->next.fetch_add(1)) < queue->tasks;) queue->work(queue->context, task);
  return nullptr;
}

}  // namespace

void glmRunTasks(unsigned tasks, unsigned threads, void (*work)(void* context, unsigned task), void* context) {
  TaskQueue queue = {{0}, tasks, work, context};
  pthread_t helpers[MAX_THREADS];
  unsigned started = 0;
  for (unsigned i = 1; i < threads && i < tasks && started < MAX_THREADS; i++)
    if (pthread_create(&helpers[started], nullptr, runQueue, &queue) == 0) started++;
  runQueue(&queue);
  for (unsigned i = 0; i < started; i++) pthread_join(helpers[i], nullptr);
}

unsigned glmProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? unsigned(count) : 1;
}
