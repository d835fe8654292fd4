// An exclusively launched application (TestRoster.rdef) for the roster tests.
// It runs under the signature in PL_TEST_SIGNATURE and appends what reaches
// it to the file PL_TEST_LOG, one line each; an argument "quit" ends it.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include <Application.h>
#include <Entry.h>
#include <Message.h>
#include <Path.h>

namespace {

void log_line(const std::string& line)
{
	const char* path = getenv("PL_TEST_LOG");
	FILE* file = path != NULL ? fopen(path, "a") : NULL;
	if (file == NULL)
		return;
	fprintf(file, "%d %s\n", (int) getpid(), line.c_str());
	fclose(file);
}

std::string four_cc(uint32 what)
{
	char text[5] = {(char) (what >> 24), (char) (what >> 16), (char) (what >> 8), (char) what, 0};
	return text;
}

class RosterApp : public BApplication {
public:
	explicit RosterApp(const char* signature) : BApplication(signature) {}

	void ReadyToRun() override { log_line("ready"); }

	void ArgvReceived(int32 argc, char** argv) override
	{
		std::string line = "argv";
		bool quit = false;
		for (int32 i = 1; i < argc; i++) {
			line += std::string(" ") + argv[i];
			quit = quit || strcmp(argv[i], "quit") == 0;
		}
		log_line(line);
		if (quit)
			Quit();
	}

	void RefsReceived(BMessage* message) override
	{
		std::string line = "refs";
		entry_ref ref;
		for (int32 i = 0; message->FindRef("refs", i, &ref) == B_OK; i++)
			line += std::string(" ") + BPath(&ref).Path();
		log_line(line);
	}

	void MessageReceived(BMessage* message) override
	{
		BPoint offset;
		BPoint point = message->DropPoint(&offset);
		char line[256];
		snprintf(line, sizeof(line), "message %s dropped %d at %g,%g offset %g,%g text %s pointer %d",
		         four_cc(message->what).c_str(), message->WasDropped() ? 1 : 0, point.x, point.y,
		         offset.x, offset.y, message->GetString("text", "-"),
		         message->HasPointer("pointer") ? 1 : 0);
		log_line(line);
	}
};

} // namespace

int main()
{
	const char* signature = getenv("PL_TEST_SIGNATURE");
	RosterApp app(signature != NULL ? signature : "application/x-vnd.test-roster");
	if (app.InitCheck() != B_OK)
		return 1;
	app.Run();
	log_line("ended");
	return 0;
}
