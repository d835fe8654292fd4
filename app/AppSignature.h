#ifndef PL_APP_SIGNATURE_H
#define PL_APP_SIGNATURE_H

// The application's signature: the name the application runs under and the
// "add_on" every archive of ours carries, so that a replicant host can load
// the code that restores it.
extern const char* const kPLAppSignature;

#endif
