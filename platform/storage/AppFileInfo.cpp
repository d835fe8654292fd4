#include <AppFileInfo.h>

#include <string.h>

#include <new>

#include <Message.h>

#include "storage/ElfResources.h"
#include "storage/ResourceFormat.h"

namespace BPrivate {

struct AppResources {
	std::vector<Resource> list;
};

} // namespace BPrivate

namespace {

const int32 kSignatureID = 1;
const int32 kAppFlagsID = 1;
const int32 kSupportedTypesID = 1;
const int32 kVersionID = 1;
const int32 kIconID = 101;

void read_version(const uint8* data, version_info* info)
{
	info->major = BPrivate::read_le32(data);
	info->middle = BPrivate::read_le32(data + 4);
	info->minor = BPrivate::read_le32(data + 8);
	info->variety = BPrivate::read_le32(data + 12);
	info->internal = BPrivate::read_le32(data + 16);
	memcpy(info->short_info, data + 20, sizeof(info->short_info));
	memcpy(info->long_info, data + 20 + sizeof(info->short_info), sizeof(info->long_info));
	// A record from elsewhere may fill the arrays to the brim.
	info->short_info[sizeof(info->short_info) - 1] = '\0';
	info->long_info[sizeof(info->long_info) - 1] = '\0';
}

} // namespace

BAppFileInfo::BAppFileInfo() : fResources(NULL) {}

BAppFileInfo::BAppFileInfo(BFile* file) : fResources(NULL)
{
	SetTo(file);
}

BAppFileInfo::~BAppFileInfo()
{
	delete fResources;
}

status_t BAppFileInfo::SetTo(BFile* file)
{
	delete fResources;
	fResources = NULL;
	status_t status = BNodeInfo::SetTo(file);
	if (status != B_OK)
		return status;
	if (!file->IsReadable())
		status = B_PERMISSION_DENIED;
	BPrivate::AppResources* resources = NULL;
	if (status == B_OK) {
		resources = new (std::nothrow) BPrivate::AppResources;
		status =
		    resources == NULL ? B_NO_MEMORY : BPrivate::read_elf_resources(file, &resources->list);
	}
	if (status != B_OK) {
		delete resources;
		_SetStatus(status);
		return status;
	}
	fResources = resources;
	return B_OK;
}

status_t BAppFileInfo::GetSignature(char* signature) const
{
	if (signature == NULL)
		return B_BAD_VALUE;
	const uint8* data;
	size_t size;
	status_t status = _Find('MIMS', kSignatureID, &data, &size);
	if (status != B_OK)
		return status;
	size_t length = strnlen(reinterpret_cast<const char*>(data), size);
	if (length == 0 || length >= B_MIME_TYPE_LENGTH)
		return B_BAD_DATA;
	memcpy(signature, data, length);
	signature[length] = '\0';
	return B_OK;
}

status_t BAppFileInfo::GetAppFlags(uint32* flags) const
{
	if (flags == NULL)
		return B_BAD_VALUE;
	const uint8* data;
	size_t size;
	status_t status = _Find('APPF', kAppFlagsID, &data, &size);
	if (status != B_OK)
		return status;
	if (size != sizeof(uint32))
		return B_BAD_DATA;
	*flags = BPrivate::read_le32(data);
	return B_OK;
}

status_t BAppFileInfo::GetSupportedTypes(BMessage* types) const
{
	if (types == NULL)
		return B_BAD_VALUE;
	const uint8* data;
	size_t size;
	status_t status = _Find('MSGG', kSupportedTypesID, &data, &size);
	if (status != B_OK)
		return status;
	// The bounded form: the flattened message's own size field is not trusted.
	BMemoryIO stream(data, size);
	BMessage message;
	status = message.Unflatten(&stream);
	if (status != B_OK)
		return B_BAD_DATA;
	type_code type;
	if (message.GetInfo("types", &type) != B_OK || type != B_STRING_TYPE)
		return B_BAD_DATA;
	*types = message;
	return B_OK;
}

status_t BAppFileInfo::GetVersionInfo(version_info* info, version_kind kind) const
{
	if (info == NULL || (kind != B_APP_VERSION_KIND && kind != B_SYSTEM_VERSION_KIND))
		return B_BAD_VALUE;
	const uint8* data;
	size_t size;
	status_t status = _Find('APPV', kVersionID, &data, &size);
	if (status != B_OK)
		return status;
	if (size == BPrivate::kVersionInfoSize) {
		// Only the application's version is there; the system version
		// reads as all zero, as on Haiku.
		if (kind == B_SYSTEM_VERSION_KIND) {
			memset(info, 0, sizeof(*info));
			return B_OK;
		}
	} else if (size != 2 * BPrivate::kVersionInfoSize) {
		return B_BAD_DATA;
	}
	read_version(data + (kind == B_SYSTEM_VERSION_KIND ? BPrivate::kVersionInfoSize : 0), info);
	return B_OK;
}

status_t BAppFileInfo::GetIcon(uint8** icon, size_t* iconSize) const
{
	if (icon == NULL || iconSize == NULL)
		return B_BAD_VALUE;
	const uint8* data;
	size_t size;
	status_t status = _Find('VICN', kIconID, &data, &size);
	if (status != B_OK)
		return status;
	uint8* copy = new (std::nothrow) uint8[size > 0 ? size : 1];
	if (copy == NULL)
		return B_NO_MEMORY;
	memcpy(copy, data, size);
	*icon = copy;
	*iconSize = size;
	return B_OK;
}

status_t BAppFileInfo::_Find(type_code type, int32 id, const uint8** data, size_t* size) const
{
	if (InitCheck() != B_OK)
		return InitCheck();
	for (const BPrivate::Resource& resource : fResources->list) {
		if (resource.type == type && resource.id == id) {
			*data = resource.data.data();
			*size = resource.data.size();
			return B_OK;
		}
	}
	return B_ENTRY_NOT_FOUND;
}
