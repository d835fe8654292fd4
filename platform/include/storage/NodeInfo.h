#ifndef _NODE_INFO_H
#define _NODE_INFO_H

#include <Node.h>
#include <SupportDefs.h>

// The type of a node. On Linux the stored type is the extended attribute
// "user.mime_type" when the file has one; otherwise it is what a sniff of the
// file's first bytes says (never a guess from its name). The platform never
// writes the attribute by itself.
class BNodeInfo {
public:
	BNodeInfo();
	BNodeInfo(BNode* node);
	virtual ~BNodeInfo();

	status_t SetTo(BNode* node);
	status_t InitCheck() const;

	// |type| holds B_MIME_TYPE_LENGTH bytes.
	virtual status_t GetType(char* type) const;
	// Stores |type| in the attribute; NULL removes it.
	virtual status_t SetType(const char* type);

protected:
	BNode* _Node() const { return fNode; }
	// For subclasses whose own setup can fail after the node's.
	void _SetStatus(status_t status) { fStatus = status; }

private:
	BNodeInfo(const BNodeInfo&) = delete;
	BNodeInfo& operator=(const BNodeInfo&) = delete;

	BNode* fNode; // not owned
	status_t fStatus;
};

#endif
