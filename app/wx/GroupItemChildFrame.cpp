#include "app/wx/GroupItemChildFrame.h"

#include "app/shell/ShellCommands.h"

CGroupItemChildFrame::CGroupItemChildFrame(wxWindow* parent)
    : CSplitChildFrame(parent, IDR_DIAGNOSTICS, L"CGroupItemChildFrame", "OPC Diagnostics", "Client") {}
