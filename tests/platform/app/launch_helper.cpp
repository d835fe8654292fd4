// A program launched exclusively (see TestLaunch.rdef), for the tests of
// exclusive launch: it tells on its output what reaches it, and quits when an
// argument says "quit".

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <Application.h>
#include <Message.h>

namespace {

class LaunchApp : public BApplication {
public:
	LaunchApp() : BApplication("application/x-vnd.test-launch") {}

	void ReadyToRun() override { printf("ready %d\n", (int) getpid()); }

	void ArgvReceived(int32 argc, char** argv) override
	{
		std::string line = "argv " + std::to_string(argc);
		bool quit = false;
		for (int32 i = 0; i < argc; i++) {
			line += std::string(" [") + argv[i] + "]";
			quit = quit || (i > 0 && strcmp(argv[i], "quit") == 0);
		}
		const char* cwd = CurrentMessage()->GetString("cwd", "?");
		printf("%s cwd [%s]\n", line.c_str(), cwd);
		if (quit)
			Quit();
	}
};

} // namespace

int main()
{
	setvbuf(stdout, NULL, _IOLBF, 0);
	LaunchApp app;
	if (app.InitCheck() != B_OK)
		return 1;
	app.Run();
	printf("ended\n");
	return 0;
}
