// Instantiates the interface ids that the 7-Zip headers only declare.
#include "Common/MyInitGuid.h"

#include "client7z/seven_zip.h"
