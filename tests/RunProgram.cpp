#include "RunProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

int run_program(const std::vector<std::string>& argv, double seconds)
{
	std::vector<char*> arguments;
	for (const std::string& argument : argv)
		arguments.push_back(const_cast<char*>(argument.c_str()));
	arguments.push_back(NULL);
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
	pid_t child;
	int result = posix_spawnp(&child, arguments[0], &actions, NULL, arguments.data(), environ);
	posix_spawn_file_actions_destroy(&actions);
	if (result != 0)
		return -1;
	for (double waited = 0; waited < seconds; waited += 0.01) {
		int status;
		if (waitpid(child, &status, WNOHANG) == child)
			return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
		usleep(10000);
	}
	kill(child, SIGKILL);
	waitpid(child, NULL, 0);
	return -1;
}
