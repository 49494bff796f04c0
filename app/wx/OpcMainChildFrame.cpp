#include "app/wx/OpcMainChildFrame.h"

#include "app/shell/ShellCommands.h"

COpcMainChildFrame::COpcMainChildFrame(wxWindow* parent)
    : CSplitChildFrame(parent, IDR_CONFIGURATION, L"COpcMainChildFrame", "Devices", "Tags") {}
