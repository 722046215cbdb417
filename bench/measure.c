/* Runs one command and writes its CPU time and peak memory to a file, for bench/run.py.
   A child forked from the Python runner would count the runner's own memory in its peak, so
   this small program does the fork: usage: measure RESULT_FILE TIMEOUT_S MEM_MB COMMAND... */
#define _GNU_SOURCE
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <errno.h>

static volatile pid_t child;
static volatile sig_atomic_t timedOut;

static void onAlarm(int sig) {
    (void)sig;
    timedOut = 1;
    kill(child, SIGKILL);
}

int main(int argc, char **argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: measure RESULT_FILE TIMEOUT_S MEM_MB COMMAND...\n");
        return 2;
    }
    const char *resultFile = argv[1];
    double timeout = atof(argv[2]);
    long long memMb = atoll(argv[3]);

    child = fork();
    if (child < 0) {
        perror("measure: fork");
        return 2;
    }
    if (child == 0) {
        if (memMb > 0) {
            struct rlimit limit = {(rlim_t)memMb << 20, (rlim_t)memMb << 20};
            setrlimit(RLIMIT_AS, &limit);
        }
        execvp(argv[4], argv + 4);
        perror("measure: exec");
        _exit(127);
    }

    struct sigaction action = {0};
    action.sa_handler = onAlarm;
    sigaction(SIGALRM, &action, NULL);
    struct itimerval timer = {{0, 0}, {(long)timeout, (long)((timeout - (long)timeout) * 1e6)}};
    setitimer(ITIMER_REAL, &timer, NULL);

    int status = 0;
    struct rusage usage;
    while (wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            perror("measure: wait4");
            return 2;
        }
    }
    FILE *out = fopen(resultFile, "w");
    if (out == NULL) {
        perror("measure: result file");
        return 2;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                 usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
    fprintf(out, "%d %.6f %ld %d\n", code, cpu, usage.ru_maxrss, (int)timedOut);
    fclose(out);
    return 0;
}
