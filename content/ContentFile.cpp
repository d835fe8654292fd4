#include "content/ContentFile.h"

#include <File.h>

status_t check_content_file(const entry_ref& ref)
{
	BEntry entry(&ref, true);
	status_t status = entry.InitCheck();
	if (status != B_OK)
		return status;
	struct stat st;
	status = entry.GetStat(&st);
	if (status != B_OK)
		return status;
	if (!entry.IsFile())
		return B_BAD_TYPE;

	BFile file(&entry, B_READ_ONLY);
	return file.InitCheck();
}
