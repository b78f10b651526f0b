// Running independent tasks on several threads (not part of the public interface).
#ifndef GLM_PARALLEL_H
#define GLM_PARALLEL_H

// Runs work(context, i) for every i in 0..tasks-1, on up to `threads` threads, the calling one
// among them; each takes the next task in order until none are left. When a thread cannot be
// started, the others do its share. Returns when every task is done.
void glmRunTasks(unsigned tasks, unsigned threads, void (*work)(void* context, unsigned task), void* context);

// The number of processors this process may run on; at least 1.
unsigned glmProcessorCount();

#endif
