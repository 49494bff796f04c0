// The eleven pages of the Options sheet, made by index in the sheet's order.
#pragma once

#include "app/wx/OptionsPage.h"

COptionsPage* CreateOptionsPage(int index, wxWindow* parent, int startMode, bool connected);
