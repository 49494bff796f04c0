// The four classes of the device tree.
#pragma once

#include "lon/CPTreeObject.h"
#include "lon/NodeTreeObject.h"
#include "lon/NvTreeObject.h"
#include "lon/SubfieldTreeObject.h"

// An edit of a "Datatype" row: the VARTYPE of a table name, 0xFFFF (the type's own) for a name
// the table lacks; false for a value that is no text.
bool VarTypeFromEdit(const COleVariant& value, VARTYPE& vt);
