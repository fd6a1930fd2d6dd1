// A thread the system will not give is reported with the system's reason, not as
// lack of memory: a host must be able to tell the two apart.
#include "simstore/worker_thread.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

TEST(worker_thread, a_user_out_of_processes_gets_the_system_reason) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become a user with a process limit";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // One process for a user who has this one already: no thread can start.
        const rlimit one{1, 1};
        if (setrlimit(RLIMIT_NPROC, &one) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const HRESULT started = simstore::start_detached_thread([] {});
        _exit(started == HRESULT_FROM_WIN32(ERROR_MAX_THRDS_REACHED) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
