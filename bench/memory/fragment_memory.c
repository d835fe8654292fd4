// fragment_memory: leaves the machine's free memory the way a machine that has
// been in use for a while has it, scattered in single pages, so that a 2 MiB
// block must be compacted (or reclaimed) before a huge page can be had.
//
//   fragment_memory MIB
//
// Touches MIB MiB of ordinary pages, gives every other page back, prints
// "ready" and holds the rest until it is ended (SIGTERM).

#define _GNU_SOURCE

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

int main(int argc, char** argv)
{
	long mib = argc == 2 ? atol(argv[1]) : 0;
	if (mib <= 0) {
		fprintf(stderr, "usage: fragment_memory MIB\n");
		return 2;
	}
	size_t page = (size_t) sysconf(_SC_PAGESIZE);
	size_t length = (size_t) mib << 20;
	unsigned char* region =
	    mmap(NULL, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
	if (region == MAP_FAILED) {
		perror("fragment_memory: mmap");
		return 1;
	}
	// Single pages, so that what is given back is single pages too.
	madvise(region, length, MADV_NOHUGEPAGE);
	for (size_t offset = 0; offset < length; offset += page)
		region[offset] = 1;
	for (size_t offset = page; offset < length; offset += 2 * page)
		madvise(region + offset, page, MADV_DONTNEED);
	printf("ready\n");
	fflush(stdout);
	sigset_t signals;
	sigemptyset(&signals);
	sigaddset(&signals, SIGTERM);
	sigaddset(&signals, SIGINT);
	sigprocmask(SIG_BLOCK, &signals, NULL);
	int received;
	sigwait(&signals, &received);
	return 0;
}
