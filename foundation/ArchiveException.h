// The archive error lives with the document/view core; this name stays for existing includes.
#pragma once

#include "platform/afx/ArchiveException.h"
