// What it costs to learn a file's type: the stored attribute, or a sniff of
// the content when there is none; and reading an executable's resources.

#include <AppFileInfo.h>
#include <File.h>
#include <NodeInfo.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

// A JPEG-looking file of 64 KiB in a fresh temporary directory.
std::string make_file(bool withAttribute)
{
	char dir[] = "/tmp/pl-type-bench-XXXXXX";
	if (mkdtemp(dir) == NULL)
		abort();
	std::string path = std::string(dir) + "/picture";
	std::vector<unsigned char> data(65536, 0x55);
	const unsigned char header[] = {0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
	std::copy(header, header + sizeof(header), data.begin());
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
	if (fd < 0 || write(fd, data.data(), data.size()) != ssize_t(data.size()))
		abort();
	close(fd);
	if (withAttribute)
		setxattr(path.c_str(), "user.mime_type", "image/jpeg", 10, 0);
	return path;
}

void remove_file(const std::string& path)
{
	unlink(path.c_str());
	rmdir(path.substr(0, path.rfind('/')).c_str());
}

void type_lookup(benchmark::State& state, bool withAttribute)
{
	std::string path = make_file(withAttribute);
	char type[B_MIME_TYPE_LENGTH];
	for (auto _ : state) {
		BNode node(path.c_str());
		BNodeInfo info(&node);
		if (info.GetType(type) != B_OK)
			state.SkipWithError("no type");
		benchmark::DoNotOptimize(type);
	}
	remove_file(path);
}

void BM_TypeFromAttribute(benchmark::State& state)
{
	type_lookup(state, true);
}
BENCHMARK(BM_TypeFromAttribute);

void BM_TypeFromContent(benchmark::State& state)
{
	type_lookup(state, false);
}
BENCHMARK(BM_TypeFromContent);

// An executable of the build's size: this one, without a resources section.
void BM_AppFileInfoSetTo(benchmark::State& state)
{
	BFile file("/proc/self/exe", B_READ_ONLY);
	for (auto _ : state) {
		BAppFileInfo info(&file);
		benchmark::DoNotOptimize(info.InitCheck());
	}
}
BENCHMARK(BM_AppFileInfoSetTo);

} // namespace

BENCHMARK_MAIN();
