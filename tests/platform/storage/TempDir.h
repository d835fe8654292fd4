#ifndef TESTS_PLATFORM_STORAGE_TEMP_DIR_H
#define TESTS_PLATFORM_STORAGE_TEMP_DIR_H

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// A fresh directory under /tmp (resolved through symlinks), removed with
// everything in it at the end of the test.
class TempDir {
public:
	TempDir()
	{
		char pattern[] = "/tmp/pl-storage-XXXXXX";
		char* made = mkdtemp(pattern);
		EXPECT_NE(made, nullptr);
		char resolved[PATH_MAX];
		EXPECT_NE(realpath(pattern, resolved), nullptr);
		fPath = resolved;
	}
	~TempDir()
	{
		std::error_code ignored;
		std::filesystem::remove_all(fPath, ignored);
	}

	const std::string& Path() const { return fPath; }
	std::string operator/(const std::string& leaf) const { return fPath + "/" + leaf; }

	// Writes |size| bytes of |data| to |leaf| and returns its path.
	std::string Write(const std::string& leaf, const void* data, size_t size) const
	{
		std::string path = *this / leaf;
		int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
		EXPECT_GE(fd, 0);
		EXPECT_EQ(write(fd, data, size), ssize_t(size));
		close(fd);
		return path;
	}
	std::string Write(const std::string& leaf, const std::string& text) const
	{
		return Write(leaf, text.data(), text.size());
	}

private:
	std::string fPath;
};

#endif
