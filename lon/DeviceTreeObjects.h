// The four classes of the device tree.
#pragma once

#include "lon/CPTreeObject.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "lon/SubfieldTreeObject.h"

// An edit of a "Datatype" row: the VARTYPE of a table name; unknown names are refused.
bool VarTypeFromEdit(const COleVariant& value, VARTYPE& vt);
