#include "app/AppSignature.h"

const char* const kPLAppSignature = "application/x-vnd.Tarvosk.Pelivant2";
