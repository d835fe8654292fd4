// libmagic is opened by the first sniff, or by prepare_mime_sniffer() ahead
// of it, never at start-up; sniffs made while it is being prepared wait for
// that one load. One test, so that nothing sniffs before it.

#include <NodeInfo.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "LoadedLibraries.h"
#include "TempDir.h"
#include "storage/MimeSniffer.h"

TEST(MimeSnifferLibrary, OpenedByItsPreparationAndSharedByTheSniffsMeanwhile)
{
	EXPECT_FALSE(is_loaded("libmagic.so")) << "loaded at start-up";

	TempDir dir;
	std::string text = dir.Write("notes", "A few words of plain text, nothing else.\n");
	BPrivate::prepare_mime_sniffer();
	BPrivate::prepare_mime_sniffer(); // a second call starts nothing more
	std::vector<std::thread> threads;
	std::vector<std::string> types(4);
	for (std::string& type : types) {
		threads.emplace_back([&] {
			BNode node(text.c_str());
			BNodeInfo info(&node);
			char found[B_MIME_TYPE_LENGTH];
			type = info.GetType(found) == B_OK ? found : "error";
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	for (const std::string& type : types)
		EXPECT_EQ(type, "text/plain");
	EXPECT_TRUE(is_loaded("libmagic.so"));
}
