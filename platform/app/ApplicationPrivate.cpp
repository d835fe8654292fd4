#include "app/ApplicationPrivate.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

#include <AppDefs.h>
#include <Message.h>

namespace BPrivate {

namespace {

std::mutex sWindowLock; // a leaf: guards sWindows
std::vector<WindowEntry>& windows()
{
	static std::vector<WindowEntry>* sWindows = new std::vector<WindowEntry>;
	return *sWindows;
}

} // namespace

void register_window(BLooper* looper, BWindow* window)
{
	std::lock_guard<std::mutex> lock(sWindowLock);
	windows().push_back(WindowEntry{looper, window});
}

void unregister_window(BLooper* looper)
{
	std::lock_guard<std::mutex> lock(sWindowLock);
	std::erase_if(windows(), [looper](const WindowEntry& entry) { return entry.looper == looper; });
}

std::vector<WindowEntry> window_list()
{
	std::lock_guard<std::mutex> lock(sWindowLock);
	return windows();
}

status_t build_argv_message(const std::vector<std::string>& arguments, const char* cwd,
                            BMessage* message)
{
	if (message == NULL || arguments.empty())
		return B_BAD_VALUE;
	message->MakeEmpty();
	message->what = B_ARGV_RECEIVED;
	status_t status = message->AddInt32("argc", (int32) arguments.size());
	for (const std::string& argument : arguments) {
		if (status == B_OK)
			status = message->AddString("argv", argument.c_str());
	}
	if (status == B_OK && cwd != NULL)
		status = message->AddString("cwd", cwd);
	return status;
}

status_t read_command_line(std::vector<std::string>* arguments)
{
	arguments->clear();
	int fd = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
	if (fd < 0)
		return B_ENTRY_NOT_FOUND;
	std::string data;
	char buffer[4096];
	ssize_t bytes;
	while ((bytes = read(fd, buffer, sizeof(buffer))) > 0)
		data.append(buffer, bytes);
	close(fd);
	// NUL-separated; the last argument ends with a NUL too.
	size_t start = 0;
	while (start < data.size()) {
		size_t end = data.find('\0', start);
		if (end == std::string::npos)
			end = data.size();
		arguments->push_back(data.substr(start, end - start));
		start = end + 1;
	}
	return B_OK;
}

} // namespace BPrivate
