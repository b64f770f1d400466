// 7-Zip's coders name their interfaces by GUID; the GUIDs are defined in
// exactly one translation unit of the program, and this is it.
#include "SevenZipPlatform.h"

#include "Common/MyInitGuid.h"

#include "7zip/ICoder.h"
#include "7zip/IStream.h"
