#include "opcserver/OpcTagsManager.h"

COpcTagsManager* g_pOpcTagsManager = nullptr;
