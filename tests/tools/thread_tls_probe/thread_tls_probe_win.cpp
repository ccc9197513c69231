// Checks that every thread of a 32-bit process keeps its own thread-local storage while other
// threads are created, the way the Linux kernel keeps per-thread TLS descriptors.
//
// Under Wine, %gs of a 32-bit process holds the Unix C library's thread pointer, and Wine loads
// %gs again from its saved frame whenever a system call returns through the full context (an
// APC delivered by SleepEx does). A user-mode emulator that keeps one descriptor table for the
// whole process then hands the reloading thread the descriptor of the newest thread: two threads
// share one C library thread block, its malloc cache included, and the process soon corrupts its
// heap or faults. This program watches one thread's %gs:8 (the thread block's own address) over
// that return path while the main thread starts short-lived threads.
//
// Exit status: 0 when the thread pointer never moved, 1 when it did, 2 when the check could not
// run. Built for 32-bit Windows only.
#include <windows.h>

#include <cstdio>

namespace {

#if defined(__i386__)
unsigned long thread_block_address() {
  unsigned long self = 0;
  asm volatile("movl %%gs:8, %0" : "=r"(self));
  return self;
}
#else
#error "this probe is for 32-bit x86"
#endif

struct watch_state {
  volatile LONG stop = 0;
  volatile LONG rounds = 0;
  unsigned long first = 0;
  unsigned long moved_to = 0;
};

void CALLBACK nothing_to_do(ULONG_PTR) {}

DWORD WINAPI watch_thread_pointer(void* parameter) {
  auto& state = *static_cast<watch_state*>(parameter);
  state.first = thread_block_address();
  while (!state.stop) {
    // The queued APC makes the wait return through the full-context path, which reloads %gs.
    QueueUserAPC(nothing_to_do, GetCurrentThread(), 0);
    SleepEx(0, TRUE);
    const unsigned long now = thread_block_address();
    if (now != state.first) {
      state.moved_to = now;
      return 1;
    }
    InterlockedIncrement(&state.rounds);
  }
  return 0;
}

DWORD WINAPI short_lived(void*) { return 0; }

}  // namespace

int main() {
  watch_state state;
  HANDLE watcher = CreateThread(nullptr, 0, watch_thread_pointer, &state, 0, nullptr);
  if (!watcher) {
    std::printf("could not start the watching thread (error %lu)\n", GetLastError());
    return 2;
  }
  while (state.rounds == 0 && WaitForSingleObject(watcher, 0) == WAIT_TIMEOUT) Sleep(1);
  const int threads_to_start = 40;
  int started = 0;
  for (; started < threads_to_start && WaitForSingleObject(watcher, 0) == WAIT_TIMEOUT; ++started) {
    HANDLE thread = CreateThread(nullptr, 0, short_lived, nullptr, 0, nullptr);
    if (!thread) break;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    // Give the watcher rounds of its own between two thread starts.
    const LONG before = state.rounds;
    while (state.rounds < before + 20 && WaitForSingleObject(watcher, 0) == WAIT_TIMEOUT) Sleep(0);
  }
  state.stop = 1;
  WaitForSingleObject(watcher, INFINITE);
  DWORD moved = 0;
  GetExitCodeThread(watcher, &moved);
  CloseHandle(watcher);
  if (moved) {
    std::printf("thread pointer moved from %#lx to %#lx after %d thread starts (%ld rounds)\n",
                state.first, state.moved_to, started, static_cast<long>(state.rounds));
    return 1;
  }
  std::printf("thread pointer kept over %d thread starts (%ld rounds)\n", started,
              static_cast<long>(state.rounds));
  return 0;
}
