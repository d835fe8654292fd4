#ifndef _APP_FILE_INFO_H
#define _APP_FILE_INFO_H

#include <File.h>
#include <NodeInfo.h>
#include <SupportDefs.h>

class BMessage;

namespace BPrivate {
struct AppResources;
}

enum version_kind { B_APP_VERSION_KIND = 0, B_SYSTEM_VERSION_KIND = 1 };

enum {
	B_DEVELOPMENT_VERSION = 0,
	B_ALPHA_VERSION,
	B_BETA_VERSION,
	B_GAMMA_VERSION,
	B_GOLDEN_MASTER_VERSION,
	B_FINAL_VERSION
};

struct version_info {
	uint32 major;
	uint32 middle;
	uint32 minor;
	uint32 variety;
	uint32 internal;
	char short_info[64];
	char long_info[256];
};

// The resources of an application file: on Linux, the ".pl_resources"
// section that pl_embed_resources() puts into an executable. They are read
// through the BFile once, at SetTo(), so a file opened B_READ_ONLY will do
// (a running executable cannot be opened for writing). An executable whose
// headers or resources are corrupt fails SetTo() with B_BAD_DATA; a file
// without resources sets up fine and each Get...() gives B_ENTRY_NOT_FOUND.
class BAppFileInfo : public BNodeInfo {
public:
	BAppFileInfo();
	BAppFileInfo(BFile* file);
	virtual ~BAppFileInfo();

	status_t SetTo(BFile* file);

	// |signature| holds B_MIME_TYPE_LENGTH bytes.
	status_t GetSignature(char* signature) const;
	status_t GetAppFlags(uint32* flags) const;
	// Adds the string field "types" to |types|.
	status_t GetSupportedTypes(BMessage* types) const;
	status_t GetVersionInfo(version_info* info, version_kind kind) const;
	// The vector icon's bytes (SVG on this platform), in a buffer allocated
	// with new[] that the caller deletes with delete[].
	status_t GetIcon(uint8** data, size_t* size) const;

private:
	BAppFileInfo(const BAppFileInfo&) = delete;
	BAppFileInfo& operator=(const BAppFileInfo&) = delete;

	status_t _Find(type_code type, int32 id, const uint8** data, size_t* size) const;

	BPrivate::AppResources* fResources; // owned; NULL until SetTo succeeds
};

#endif
