// Linked into every test: the process and whatever it launches get a runtime
// folder of their own, so that an application launched exclusively by a test
// never meets the user's running programs, nor another test run in parallel;
// and data and configuration folders of their own, so that the applications a
// test starts are recorded there and not among the user's, and the user's
// switches (the replicants' handles) are neither read nor changed.

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace {

int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
	remove(path);
	return 0;
}

class PrivateRuntimeDir {
public:
	PrivateRuntimeDir()
	{
		char path[] = "/tmp/pl-test-runtime-XXXXXX";
		if (mkdtemp(path) == NULL) {
			perror("mkdtemp");
			abort();
		}
		fPath = path;
		fOwner = getpid();
		setenv("XDG_RUNTIME_DIR", path, 1);
		setenv("XDG_DATA_HOME", (fPath + "/data").c_str(), 1);
		setenv("XDG_CONFIG_HOME", (fPath + "/config").c_str(), 1);
	}

	~PrivateRuntimeDir()
	{
		// A forked child that exits must not take the folder from its parent.
		if (getpid() == fOwner)
			nftw(fPath.c_str(), remove_entry, 8, FTW_DEPTH | FTW_PHYS);
	}

private:
	std::string fPath;
	pid_t fOwner;
};

PrivateRuntimeDir sRuntimeDir;

} // namespace
