#include "app/shell/ShellResources.h"

#include <mutex>

#include "platform/win32/Resources.h"

namespace {
const StringResource kShellStrings[] = {
    {IDS_OLE_INIT_FAILED, L"OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {IDS_TOOLBAR_STANDARD, L"Standard"},
    {IDS_TOOLBAR_CUSTOMIZE, L"Customize..."},
    {IDS_OUTPUT_WND, L"Output"},
    {IDS_PROPERTIES_WND, L"Properties"},
    {IDS_EDIT_MENU, L"Edit"},
    {IDS_LINES_MAX_BELOW_OPT, L"The max. count of lines has to be higher than the opt. count of lines."},
    {IDS_LINES_DIFF_TOO_SMALL, L"The difference between max. and opt. count of lines could be min. 1000."},
    {IDS_NEW_TIMING_NAME, L"New1"},
    {IDS_TIMING_NAME_EXISTS, L"This name exists."},
    {IDS_CLIENTS_CONNECTED_EXIT, L"OPC Clients are currently connected to this server. Exit anyway?"},
    {IDS_OUTPUT_HEADER, L"Tarn OPC Server for LonWorks networks, version %s\n%s"},
    {IDS_VENDOR_NAME, L"OPC Server by Tarn"},
    {IDS_SERVER_TITLE, L"Tarn OPC Server"},
    {IDS_MODE_RUN, L"run"},
    {IDS_MODE_CONFIG, L"config"},
    {IDS_STATUS_CLIENTS, L"%d client(s) connected; monitoring %d datapoint(s)"},
    {IDS_LOGGING_STOPPED, L"Logging stopped."},
    {IDS_OUTPUT_CLEARED, L"Output window cleared."},
    {IDS_CUT_LOG_FAILED, L"The removed lines cannot be written to %s."},
};
}  // namespace

void RegisterShellResources() {
  static std::once_flag once;
  std::call_once(once, [] { RegisterStringResources(kShellStrings); });
}
